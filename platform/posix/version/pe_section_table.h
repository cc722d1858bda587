// The section table of a PE image, read on demand, for mapping RVAs to file
// offsets.
#pragma once

#include "platform/posix/version/bounded_file.h"

#include <cstdint>
#include <optional>

namespace version_reader {

struct PeSection {
    std::uint32_t virtualAddress;
    std::uint32_t rawSize;
    std::uint64_t rawOffset;
    std::uint32_t virtualSize;
};

class PeSectionTable {
public:
    // Nothing when the table does not lie wholly inside the file.
    static std::optional<PeSectionTable> Locate(const BoundedFile& file, std::uint64_t offset,
                                                std::uint16_t count);

    // The first section whose raw data, placed at its virtual address,
    // covers `rva`, as Windows' version functions choose.
    std::optional<PeSection> FindByRva(std::uint32_t rva) const;

    // Whether no section's raw data runs past `end`; nothing when the table
    // cannot be read.
    std::optional<bool> RawDataEndsBy(std::uint64_t end) const;

private:
    PeSectionTable(const BoundedFile& file, std::uint64_t offset, std::uint16_t count)
        : file_(&file), offset_(offset), count_(count) {}

    // Calls `visit` with each section in order until it returns false;
    // false when the table could not be read.
    template <typename Visit>
    bool ForEach(Visit visit) const;

    const BoundedFile* file_;
    std::uint64_t offset_;
    std::uint16_t count_;
};

}  // namespace version_reader
