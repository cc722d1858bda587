#include "platform/posix/version/pe_image_view.h"

#include <algorithm>

namespace version_reader {

namespace {

constexpr std::uint64_t kPageSize = 4096;

std::uint64_t PageEnd(std::uint64_t offset)
{
    return (offset + kPageSize - 1) / kPageSize * kPageSize;
}

}  // namespace

std::optional<ImageSpan> MapImageRva(const PeSectionTable& sections, std::uint32_t sizeOfHeaders,
                                     std::uint64_t fileSize, std::uint32_t rva)
{
    std::optional<ImageSpan> span;
    sections.ForEachSection([&](const PeSection& section) {
        // A section without a virtual size takes its raw size, as the loader sizes it.
        const std::uint64_t start = section.virtualAddress;
        const std::uint64_t end = start + PageEnd(section.virtualSize != 0 ? section.virtualSize : section.rawSize);
        if (rva < start || rva >= end) return true;
        // The file shows through up to the end of the sector holding the
        // raw data's end.
        const std::uint64_t shownEnd =
            std::min(start + (SectorEnd(section.rawOffset + section.rawSize) - section.rawOffset), end);
        if (rva < shownEnd) span = ImageSpan{section.rawOffset + (rva - start), shownEnd - rva, end - shownEnd};
        else span = ImageSpan{0, 0, end - rva};
        return false;
    });
    if (!span && rva < sizeOfHeaders) span = ImageSpan{rva, std::uint64_t{sizeOfHeaders} - rva, 0};
    if (!span || span->fileBytes == 0) return span;
    // Past the end of the file Windows would read what is not the file's:
    // such bytes, and the zeros after them, are not to be had.
    if (span->fileOffset >= fileSize) return std::nullopt;
    if (span->fileBytes > fileSize - span->fileOffset) {
        span->fileBytes = fileSize - span->fileOffset;
        span->zeroBytes = 0;
    }
    return span;
}

}  // namespace version_reader
