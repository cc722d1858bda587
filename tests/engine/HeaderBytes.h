// Module headers made byte by byte, for the bitness probe.
#pragma once

#include <cstdint>
#include <vector>

struct HeaderBytes {
    std::vector<unsigned char> bytes;

    explicit HeaderBytes(std::size_t size) : bytes(size, 0)
    {
        if (size >= 2) bytes[0] = 'M', bytes[1] = 'Z';
    }
    HeaderBytes& U16(std::size_t offset, uint16_t value)
    {
        bytes.at(offset) = static_cast<unsigned char>(value);
        bytes.at(offset + 1) = static_cast<unsigned char>(value >> 8);
        return *this;
    }
    HeaderBytes& U32(std::size_t offset, uint32_t value)
    {
        for (int i = 0; i < 4; ++i) bytes.at(offset + i) = static_cast<unsigned char>(value >> (8 * i));
        return *this;
    }
    HeaderBytes& RelocationTable(uint16_t offset) { return U16(24, offset); }
    HeaderBytes& NewHeaderAt(uint32_t offset) { return U32(60, offset); }
    // The PE signature and the optional header's Magic at `newHeader`.
    HeaderBytes& PeMagic(uint32_t newHeader, uint16_t magic)
    {
        bytes.at(newHeader) = 'P', bytes.at(newHeader + 1) = 'E';
        return U16(newHeader + 24, magic);
    }
};
