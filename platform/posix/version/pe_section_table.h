// The section table of a PE image, read on demand, for mapping RVAs to file
// offsets.
#pragma once

#include "platform/posix/version/bounded_file.h"

#include "support/LittleEndian.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>

namespace version_reader {

struct PeSection {
    std::uint32_t virtualAddress;
    std::uint32_t rawSize;
    std::uint64_t rawOffset;
    std::uint32_t virtualSize;
};

// Up to 65535 sections: read them a few dozen at a time, not one by one.
constexpr std::size_t kSectionHeaderSize = 40;
constexpr std::size_t kSectionsPerRead = 64;

class PeSectionTable {
public:
    // Nothing when the table does not lie wholly inside the file.
    static std::optional<PeSectionTable> Locate(const BoundedFile& file, std::uint64_t offset, std::uint16_t count);

    // The first section whose raw data, placed at its virtual address,
    // covers `rva`, as Windows' version functions choose.
    std::optional<PeSection> FindByRva(std::uint32_t rva) const;

    // Whether no section's raw data runs past `end`; nothing when the table
    // cannot be read.
    std::optional<bool> RawDataEndsBy(std::uint64_t end) const;

    // Calls `visit` with each section in order until it returns false;
    // false when the table could not be read.
    template <typename Visit>
    bool ForEachSection(Visit visit) const;

private:
    PeSectionTable(const BoundedFile& file, std::uint64_t offset, std::uint16_t count)
        : file_(&file), offset_(offset), count_(count)
    {
    }

    const BoundedFile* file_;
    std::uint64_t offset_;
    std::uint16_t count_;
};

template <typename Visit>
bool PeSectionTable::ForEachSection(Visit visit) const
{
    std::uint8_t chunk[kSectionsPerRead * kSectionHeaderSize];
    for (std::size_t first = 0; first < count_; first += kSectionsPerRead) {
        const std::size_t inChunk = std::min(kSectionsPerRead, count_ - first);
        if (!file_->Read(offset_ + first * kSectionHeaderSize, chunk, inChunk * kSectionHeaderSize)) return false;
        for (std::size_t i = 0; i < inChunk; ++i) {
            const std::uint8_t* header = chunk + i * kSectionHeaderSize;
            const PeSection section{support::ReadU32(header + 12), support::ReadU32(header + 16),
                                    support::ReadU32(header + 20), support::ReadU32(header + 8)};
            if (!visit(section)) return true;
        }
    }
    return true;
}

}  // namespace version_reader
