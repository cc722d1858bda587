// Where an RVA lands when Windows maps a module as an image: in a section,
// whose file bytes show up to the end of the 512-byte sector holding its
// raw data's end and zeros after them up to the end of the 4 KiB page
// holding its virtual size, or in the headers, mapped from the start of
// the file.
#pragma once

#include "platform/posix/version/pe_section_table.h"

#include <cstdint>
#include <optional>

namespace version_reader {

constexpr std::uint64_t kSectorSize = 512;

inline std::uint64_t SectorEnd(std::uint64_t offset)
{
    return (offset + kSectorSize - 1) / kSectorSize * kSectorSize;
}

struct ImageSpan {
    std::uint64_t fileOffset;  // where the RVA's byte lies in the file
    std::uint64_t fileBytes;   // bytes from there that come from the file (never past its end)
    std::uint64_t zeroBytes;   // zeros after them, up to the end of the section
};

// Nothing for an RVA outside the headers and every section, or one whose
// first byte the file lacks (Windows would read what lies past its end).
std::optional<ImageSpan> MapImageRva(const PeSectionTable& sections, std::uint32_t sizeOfHeaders,
                                     std::uint64_t fileSize, std::uint32_t rva);

}  // namespace version_reader
