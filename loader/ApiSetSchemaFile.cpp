#include "loader/ApiSetSchemaFile.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/file/ModuleFile.h"
#include "support/LittleEndian.h"
#include "support/PeLayout.h"

namespace loader {

namespace {

namespace pe = support::pe;

// Real schemas are well under a megabyte.
constexpr std::uint32_t kMaxSchemaSize = 16u << 20;

}  // namespace

ApiSetSchema ReadApiSetSchemaFile(const std::string& path)
{
    const platform::ModuleFile file(path.c_str(), platform::FileSharing::Readers);
    std::uint8_t dos[pe::kDosHeaderSize];
    if (!file.ReadExactly(0, dos, sizeof dos) || dos[0] != 'M' || dos[1] != 'Z') return {};
    const std::uint32_t header = support::ReadU32(dos + pe::kNewHeaderOffsetField);
    std::uint8_t fileHeader[pe::kOptionalHeader];
    if (!file.ReadExactly(header, fileHeader, sizeof fileHeader) || std::memcmp(fileHeader, "PE\0\0", 4) != 0) {
        return {};
    }
    const std::uint16_t count = support::ReadU16(fileHeader + pe::kNumberOfSectionsField);
    const std::uint16_t optionalSize = support::ReadU16(fileHeader + pe::kSizeOfOptionalHeaderField);
    std::vector<std::uint8_t> table(std::min<std::size_t>(count, pe::kMaxSections) * pe::kSectionHeaderSize);
    if (!file.ReadExactly(std::uint64_t{header} + pe::kOptionalHeader + optionalSize, table.data(), table.size())) {
        return {};
    }
    for (std::size_t at = 0; at < table.size(); at += pe::kSectionHeaderSize) {
        if (std::memcmp(table.data() + at, ".apiset", 8) != 0) continue;
        const std::uint32_t size = support::ReadU32(table.data() + at + pe::kSectionSizeOfRawDataField);
        const std::uint32_t offset = support::ReadU32(table.data() + at + pe::kSectionPointerToRawDataField);
        if (size == 0 || size > kMaxSchemaSize) return {};
        std::vector<std::uint8_t> bytes(size);
        if (!file.ReadExactly(offset, bytes.data(), size)) return {};
        return ApiSetSchema::Parse(bytes.data(), bytes.size());
    }
    return {};
}

}  // namespace loader
