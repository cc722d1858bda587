// PE32 and PE32+: from the headers to the resource section, through its
// directory to the version data.
#include "support/LittleEndian.h"
#include "platform/posix/version/pe_resource_directory.h"
#include "platform/posix/version/pe_section_table.h"
#include "platform/posix/version/version_resource.h"

#include <algorithm>

namespace version_reader {

namespace {

constexpr std::uint64_t kFileHeaderEnd = 24;  // "PE\0\0" and the 20-byte file header
constexpr WORD kPe32Magic = 0x10B;
constexpr WORD kPe32PlusMagic = 0x20B;
constexpr std::uint32_t kResourceDirectoryIndex = 2;
// The image lookup finds no resources in a directory smaller than its header.
constexpr std::uint32_t kSmallestImageResourceDirectory = 16;
// Windows still maps a module whose last section ends inside the sector
// after the end of the file.
constexpr std::uint64_t kSectorSize = 512;

struct DataDirectory {
    std::uint32_t rva;
    std::uint32_t size;
};

// The resource entry of the optional header's data directories, if the
// header declares one.
std::optional<DataDirectory> ReadResourceDirectory(const BoundedFile& file, std::uint64_t optionalHeader)
{
    std::uint8_t magicBytes[2];
    if (!file.Read(optionalHeader, magicBytes, sizeof magicBytes)) return std::nullopt;
    const WORD magic = support::ReadU16(magicBytes);
    if (magic != kPe32Magic && magic != kPe32PlusMagic) return std::nullopt;
    const std::uint64_t countOffset = magic == kPe32Magic ? 92 : 108;

    std::uint8_t count[4];
    std::uint8_t entry[8];
    if (!file.Read(optionalHeader + countOffset, count, sizeof count)) return std::nullopt;
    if (support::ReadU32(count) <= kResourceDirectoryIndex) return std::nullopt;
    if (!file.Read(optionalHeader + countOffset + 4 + 8 * kResourceDirectoryIndex, entry, sizeof entry))
        return std::nullopt;
    return DataDirectory{support::ReadU32(entry), support::ReadU32(entry + 4)};
}

// Whether Windows can map the module as an image, and so finds its
// resources by the loader's lookup rather than in the file.
std::optional<ResourceLookup> LookupFor(const std::uint8_t* signature, const PeSectionTable& sections,
                                        std::uint64_t fileSize)
{
    if (signature[2] != 0 || signature[3] != 0) return ResourceLookup::File;
    const auto mapped = sections.RawDataEndsBy(fileSize + kSectorSize);
    if (!mapped) return std::nullopt;
    return *mapped ? ResourceLookup::Image : ResourceLookup::File;
}

}  // namespace

std::optional<VersionResource> FindPeVersionResource(const BoundedFile& file, std::uint64_t headerOffset,
                                                     WORD userLanguage)
{
    std::uint8_t headers[kFileHeaderEnd];
    if (!file.Read(headerOffset, headers, sizeof headers)) return std::nullopt;
    const WORD sectionCount = support::ReadU16(headers + 6);
    const WORD optionalHeaderSize = support::ReadU16(headers + 20);
    const std::uint64_t optionalHeader = headerOffset + kFileHeaderEnd;

    const auto resources = ReadResourceDirectory(file, optionalHeader);
    if (!resources || resources->size == 0) return std::nullopt;
    const auto sections = PeSectionTable::Locate(file, optionalHeader + optionalHeaderSize, sectionCount);
    if (!sections) return std::nullopt;
    const auto lookup = LookupFor(headers, *sections, file.Size());
    if (!lookup) return std::nullopt;
    if (*lookup == ResourceLookup::Image && resources->size < kSmallestImageResourceDirectory)
        return std::nullopt;

    const auto resourceSection = sections->FindByRva(resources->rva);
    if (!resourceSection) return std::nullopt;
    const std::uint64_t sectionEnd = resourceSection->rawOffset + resourceSection->rawSize;
    // The file reader reads the resource section's raw data whole, or not at all.
    if (*lookup == ResourceLookup::File && sectionEnd > file.Size()) return std::nullopt;
    const std::uint64_t root = resourceSection->rawOffset + (resources->rva - resourceSection->virtualAddress);
    const std::uint64_t limit = std::min(sectionEnd, file.Size());
    const auto entry = FindVersionDataEntry(file, root, limit, userLanguage, *lookup);
    if (!entry || entry->size < kMinimumPeVersionSize) return std::nullopt;

    // The data may sit in any section; it must be wholly in the file, and its
    // doubled size (what the size query reports) must fit in a DWORD.
    const auto dataSection = sections->FindByRva(entry->rva);
    if (!dataSection || entry->size > (0xFFFFFFFFu - 4) / 2) return std::nullopt;
    const std::uint64_t offset = dataSection->rawOffset + (entry->rva - dataSection->virtualAddress);
    if (!file.Contains(offset, entry->size)) return std::nullopt;
    return VersionResource{ModuleFormat::Pe, offset, entry->size, entry->size};
}

}  // namespace version_reader
