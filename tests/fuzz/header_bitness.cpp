#include "header_bitness.h"

namespace fuzz {

namespace {

std::uint32_t Field(const std::uint8_t* bytes, std::size_t offset, int width)
{
    std::uint32_t value = 0;
    for (int i = width - 1; i >= 0; --i) value = value << 8 | bytes[offset + i];
    return value;
}

}  // namespace

int BitnessFromHeader(const std::uint8_t* bytes, std::size_t size)
{
    if (size < 64) return 0;
    const std::uint32_t relocationTable = Field(bytes, 24, 2);  // e_lfarlc
    const std::uint32_t newHeader = Field(bytes, 60, 4);        // e_lfanew
    const bool peSignature = relocationTable == 0 && std::uint64_t{newHeader} + 4 <= size &&
                             Field(bytes, newHeader, 4) == 0x00004550;  // "PE\0\0"
    if (!(relocationTable >= 64 || (relocationTable == 0 && (newHeader == 64 || peSignature)))) return 16;
    const std::uint64_t magicAt = std::uint64_t{newHeader} + 24;
    if (magicAt + 2 > size) return 0;
    switch (Field(bytes, static_cast<std::size_t>(magicAt), 2)) {
    case 0x10B: return 32;
    case 0x20B: return 64;
    default: return 0;
    }
}

}  // namespace fuzz
