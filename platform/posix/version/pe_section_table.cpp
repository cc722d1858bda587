#include "platform/posix/version/pe_section_table.h"

#include "support/LittleEndian.h"

#include <algorithm>

namespace version_reader {

std::optional<PeSectionTable> PeSectionTable::Locate(const BoundedFile& file, std::uint64_t offset, std::uint16_t count)
{
    if (!file.Contains(offset, std::uint64_t{count} * kSectionHeaderSize)) return std::nullopt;
    return PeSectionTable(file, offset, count);
}

std::optional<PeSection> PeSectionTable::FindByRva(std::uint32_t rva) const
{
    std::optional<PeSection> found;
    ForEachSection([&](const PeSection& section) {
        if (rva >= section.virtualAddress &&
            std::uint64_t{rva} < std::uint64_t{section.virtualAddress} + section.rawSize)
            found = section;
        return !found;
    });
    return found;
}

std::optional<bool> PeSectionTable::RawDataEndsBy(std::uint64_t end) const
{
    bool within = true;
    if (!ForEachSection([&](const PeSection& section) {
            within = section.rawSize == 0 || section.rawOffset + section.rawSize <= end;
            return within;
        }))
        return std::nullopt;
    return within;
}

}  // namespace version_reader
