// PE32 and PE32+: from the headers to the resource section, through its
// directory to the version data.
#include "support/LittleEndian.h"
#include "support/PeLayout.h"
#include "platform/posix/version/pe_image_view.h"
#include "platform/posix/version/pe_resource_directory.h"
#include "platform/posix/version/pe_section_table.h"
#include "platform/posix/version/version_resource.h"

#include <algorithm>
#include <vector>

namespace version_reader {

namespace {

namespace pe = support::pe;

constexpr std::uint64_t kFileHeaderEnd = pe::kOptionalHeader;  // "PE\0\0" and the 20-byte file header
// Version data spanning more sections than this is not looked for.
constexpr std::size_t kMostImagePieces = 8;
// The image lookup finds no resources in a directory smaller than its header.
constexpr std::uint32_t kSmallestImageResourceDirectory = 16;

struct DataDirectory {
    std::uint32_t rva;
    std::uint32_t size;
    std::uint32_t sizeOfHeaders;
};

// The resource entry of the optional header's data directories, if the
// header declares one.
std::optional<DataDirectory> ReadResourceDirectory(const BoundedFile& file, std::uint64_t optionalHeader)
{
    std::uint8_t magicBytes[2];
    if (!file.Read(optionalHeader, magicBytes, sizeof magicBytes)) return std::nullopt;
    const WORD magic = support::ReadU16(magicBytes);
    if (magic != pe::kPe32Magic && magic != pe::kPe32PlusMagic) return std::nullopt;
    const bool pe32Plus = magic == pe::kPe32PlusMagic;
    const std::uint64_t countOffset = pe::NumberOfRvaAndSizesField(pe32Plus);

    std::uint8_t sizeOfHeaders[4];
    if (!file.Read(optionalHeader + pe::kSizeOfHeadersField, sizeOfHeaders, sizeof sizeOfHeaders)) return std::nullopt;
    std::uint8_t count[4];
    std::uint8_t entry[8];
    if (!file.Read(optionalHeader + countOffset, count, sizeof count)) return std::nullopt;
    if (support::ReadU32(count) <= pe::kResourceDirectory) return std::nullopt;
    if (!file.Read(optionalHeader + pe::DataDirectoryField(pe32Plus, pe::kResourceDirectory), entry, sizeof entry))
        return std::nullopt;
    return DataDirectory{support::ReadU32(entry), support::ReadU32(entry + 4), support::ReadU32(sizeOfHeaders)};
}

// Not below a block header, and the doubled size (what the size query
// reports) must fit in a DWORD.
bool UsableSize(std::uint32_t size)
{
    return size >= kMinimumPeVersionSize && size <= (0xFFFFFFFFu - 4) / 2;
}

// Whether Windows can map the module as an image, and so finds its
// resources by the loader's lookup rather than in the file.
std::optional<ResourceLookup> LookupFor(const std::uint8_t* signature, const PeSectionTable& sections,
                                        std::uint64_t fileSize)
{
    if (signature[2] != 0 || signature[3] != 0) return ResourceLookup::File;
    // Windows still maps a module whose last section ends inside the
    // file's last sector.
    const auto mapped = sections.RawDataEndsBy(SectorEnd(fileSize));
    if (!mapped) return std::nullopt;
    return *mapped ? ResourceLookup::Image : ResourceLookup::File;
}

// The version data placed in the sections' raw data: it may sit in any
// section, and must lie wholly in the file.
std::optional<VersionResource> FileResource(const BoundedFile& file, const PeSectionTable& sections,
                                            const ResourceDataEntry& entry)
{
    const auto dataSection = sections.FindByRva(entry.rva);
    if (!dataSection) return std::nullopt;
    const std::uint64_t offset = dataSection->rawOffset + (entry.rva - dataSection->virtualAddress);
    if (!file.Contains(offset, entry.size)) return std::nullopt;
    return VersionResource{ModuleFormat::Pe, offset, entry.size, entry.size, {}};
}

// The file reader: RVAs placed in the sections' raw data, and the resource
// section's raw data read whole.
std::optional<VersionResource> FindInFile(const BoundedFile& file, const PeSectionTable& sections,
                                          const DataDirectory& resources, WORD userLanguage)
{
    const auto resourceSection = sections.FindByRva(resources.rva);
    if (!resourceSection) return std::nullopt;
    const std::uint64_t sectionEnd = resourceSection->rawOffset + resourceSection->rawSize;
    if (sectionEnd > file.Size()) return std::nullopt;
    const std::uint64_t root = resourceSection->rawOffset + (resources.rva - resourceSection->virtualAddress);
    const auto entry = FindVersionDataEntry(file, root, sectionEnd, userLanguage, ResourceLookup::File);
    if (!entry || !UsableSize(entry->size)) return std::nullopt;
    return FileResource(file, sections, *entry);
}

// The version data as the image shows it: from its RVA on through the
// sections it spans, each piece file bytes and then zeros. Nothing when
// a byte of it lies outside the image or past the end of the file.
std::optional<VersionResource> ImageResource(const BoundedFile& file, const PeSectionTable& sections,
                                             std::uint32_t sizeOfHeaders, const ResourceDataEntry& entry)
{
    std::vector<ResourcePiece> pieces;
    std::uint64_t rva = entry.rva;
    std::uint64_t remaining = entry.size;
    while (remaining > 0) {
        if (pieces.size() == kMostImagePieces || rva > 0xFFFFFFFFu) return std::nullopt;
        const auto span = MapImageRva(sections, sizeOfHeaders, file.Size(), static_cast<std::uint32_t>(rva));
        if (!span) return std::nullopt;
        const std::uint64_t fromFile = std::min(span->fileBytes, remaining);
        const std::uint64_t zeros = fromFile == span->fileBytes ? std::min(span->zeroBytes, remaining - fromFile) : 0;
        if (fromFile + zeros == 0) return std::nullopt;
        pieces.push_back({span->fileOffset, static_cast<std::uint32_t>(fromFile), static_cast<std::uint32_t>(zeros)});
        rva += fromFile + zeros;
        remaining -= fromFile + zeros;
    }
    VersionResource resource{ModuleFormat::Pe, pieces[0].fileOffset, entry.size, pieces[0].fileBytes, {}};
    if (pieces.size() > 1) resource.pieces = std::move(pieces);
    return resource;
}

// The image lookup: RVAs placed as the loader maps the module. The
// directory is read where the file shows it; the data may end in a
// section's zeros, which the copy then holds.
std::optional<VersionResource> FindInImage(const BoundedFile& file, const PeSectionTable& sections,
                                           const DataDirectory& resources, WORD userLanguage)
{
    if (resources.size < kSmallestImageResourceDirectory) return std::nullopt;
    const auto directory = MapImageRva(sections, resources.sizeOfHeaders, file.Size(), resources.rva);
    if (!directory || directory->fileBytes == 0) return std::nullopt;
    const auto entry = FindVersionDataEntry(file, directory->fileOffset, directory->fileOffset + directory->fileBytes,
                                            userLanguage, ResourceLookup::Image);
    if (!entry || !UsableSize(entry->size)) return std::nullopt;

    if (auto resource = ImageResource(file, sections, resources.sizeOfHeaders, *entry)) return resource;
    // Data the image cannot hold (outside it, running past its end or past
    // the end of the file) makes Windows fault; the file's own placement
    // answers instead, bounded by the file.
    return FileResource(file, sections, *entry);
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
    return *lookup == ResourceLookup::Image ? FindInImage(file, *sections, *resources, userLanguage)
                                            : FindInFile(file, *sections, *resources, userLanguage);
}

}  // namespace version_reader
