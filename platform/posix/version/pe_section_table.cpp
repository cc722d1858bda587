#include "platform/posix/version/pe_section_table.h"

#include "support/LittleEndian.h"

#include <algorithm>

namespace version_reader {

namespace {

constexpr std::size_t kSectionHeaderSize = 40;
// Up to 65535 sections: read them a few dozen at a time, not one by one.
constexpr std::size_t kSectionsPerRead = 64;

}  // namespace

std::optional<PeSectionTable> PeSectionTable::Locate(const BoundedFile& file, std::uint64_t offset,
                                                     std::uint16_t count)
{
    if (!file.Contains(offset, std::uint64_t{count} * kSectionHeaderSize)) return std::nullopt;
    return PeSectionTable(file, offset, count);
}

template <typename Visit>
bool PeSectionTable::ForEach(Visit visit) const
{
    std::uint8_t chunk[kSectionsPerRead * kSectionHeaderSize];
    for (std::size_t first = 0; first < count_; first += kSectionsPerRead) {
        const std::size_t inChunk = std::min(kSectionsPerRead, count_ - first);
        if (!file_->Read(offset_ + first * kSectionHeaderSize, chunk, inChunk * kSectionHeaderSize))
            return false;
        for (std::size_t i = 0; i < inChunk; ++i) {
            const std::uint8_t* header = chunk + i * kSectionHeaderSize;
            const PeSection section{support::ReadU32(header + 12), support::ReadU32(header + 16),
                                    support::ReadU32(header + 20), support::ReadU32(header + 8)};
            if (!visit(section)) return true;
        }
    }
    return true;
}

std::optional<PeSection> PeSectionTable::FindByRva(std::uint32_t rva) const
{
    std::optional<PeSection> found;
    ForEach([&](const PeSection& section) {
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
    if (!ForEach([&](const PeSection& section) {
            within = section.rawSize == 0 || section.rawOffset + section.rawSize <= end;
            return within;
        }))
        return std::nullopt;
    return within;
}

}  // namespace version_reader
