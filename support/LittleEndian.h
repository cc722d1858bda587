// Little-endian fields of file formats, read from bytes already in memory.
#pragma once

#include <cstddef>
#include <cstdint>

namespace support {

inline std::uint16_t ReadU16(const std::uint8_t* bytes)
{
    return static_cast<std::uint16_t>(bytes[0] | (bytes[1] << 8));
}

inline std::uint32_t ReadU32(const std::uint8_t* bytes)
{
    return ReadU16(bytes) | (static_cast<std::uint32_t>(ReadU16(bytes + 2)) << 16);
}

inline std::uint64_t ReadU64(const std::uint8_t* bytes)
{
    return ReadU32(bytes) | (static_cast<std::uint64_t>(ReadU32(bytes + 4)) << 32);
}

inline void WriteU16(std::uint8_t* bytes, std::uint16_t value)
{
    bytes[0] = static_cast<std::uint8_t>(value);
    bytes[1] = static_cast<std::uint8_t>(value >> 8);
}

// Version blocks align every field to 4 bytes from the start of its node.
inline std::size_t AlignUp4(std::size_t offset)
{
    return (offset + 3) & ~static_cast<std::size_t>(3);
}

}  // namespace support
