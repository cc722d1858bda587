// PE32 and PE32+ images with a .text section and an optional .rsrc section.
#include "crafted_images.h"

#include <algorithm>
#include <map>

namespace crafted {

namespace {

constexpr std::size_t kLfanew = 0x80;
constexpr std::size_t kFileAlignment = 0x200;
constexpr std::uint32_t kSectionAlignment = 0x1000;
constexpr std::uint32_t kTextRva = 0x1000;
constexpr std::uint32_t kResourceRva = 0x2000;

std::size_t AlignUp(std::size_t value, std::size_t alignment)
{
    return (value + alignment - 1) / alignment * alignment;
}

void PutDosHeader(Bytes& image, std::uint16_t relocationTableOffset)
{
    image.assign(kLfanew, 0);
    image[0] = 'M';
    image[1] = 'Z';
    PutU16(image, 24, relocationTableOffset);
    PutU32(image, 60, static_cast<std::uint32_t>(kLfanew));
}

void PutSection(Bytes& image, std::size_t at, const char* name, std::uint32_t rva, std::size_t size,
                std::size_t fileOffset, std::uint32_t characteristics)
{
    for (std::size_t i = 0; i < 8 && name[i]; ++i) image[at + i] = static_cast<std::uint8_t>(name[i]);
    PutU32(image, at + 8, static_cast<std::uint32_t>(size));
    PutU32(image, at + 12, rva);
    PutU32(image, at + 16, static_cast<std::uint32_t>(AlignUp(size, kFileAlignment)));
    PutU32(image, at + 20, static_cast<std::uint32_t>(fileOffset));
    PutU32(image, at + 36, characteristics);
}

struct ResourceSection {
    Bytes bytes;
    std::vector<std::size_t> dataEntryOffsets;  // within the section
    std::vector<std::size_t> dataOffsets;
    std::vector<PeResourcePath> paths;
};

void PutDirectoryHeader(Bytes& out, std::size_t at, std::size_t idEntries)
{
    PutU32(out, at + 12, 0);  // no named entries
    PutU16(out, at + 14, static_cast<std::uint16_t>(idEntries));
}

// Three levels (type, id, language), each sorted by id as Windows expects;
// directories first, then the data entries, then the data.
ResourceSection BuildResourceSection(const std::vector<PeResource>& resources, std::uint32_t rva)
{
    std::map<std::uint16_t, std::map<std::uint16_t, std::map<std::uint16_t, std::size_t>>> tree;
    for (std::size_t i = 0; i < resources.size(); ++i)
        tree[resources[i].type][resources[i].id][resources[i].language] = i;

    ResourceSection section;
    section.dataEntryOffsets.resize(resources.size());
    section.dataOffsets.resize(resources.size());
    section.paths.resize(resources.size());

    std::size_t next = 16 + 8 * tree.size();
    std::map<std::uint16_t, std::size_t> typeDirs;
    std::map<std::pair<std::uint16_t, std::uint16_t>, std::size_t> nameDirs;
    for (const auto& [type, names] : tree) {
        typeDirs[type] = next;
        next += 16 + 8 * names.size();
    }
    for (const auto& [type, names] : tree) {
        for (const auto& [id, languages] : names) {
            nameDirs[{type, id}] = next;
            next += 16 + 8 * languages.size();
        }
    }
    for (std::size_t i = 0; i < resources.size(); ++i) {
        section.dataEntryOffsets[i] = next;
        next += 16;
    }
    for (std::size_t i = 0; i < resources.size(); ++i) {
        next = AlignUp(next, 8);
        section.dataOffsets[i] = next;
        next += resources[i].data.size();
    }

    Bytes& out = section.bytes;
    out.assign(next, 0);
    PutDirectoryHeader(out, 0, tree.size());
    std::size_t entry = 16;
    for (const auto& [type, names] : tree) {
        PutU32(out, entry, type);
        PutU32(out, entry + 4, 0x80000000u | static_cast<std::uint32_t>(typeDirs[type]));
        entry += 8;
        const std::size_t typeDir = typeDirs[type];
        PutDirectoryHeader(out, typeDir, names.size());
        std::size_t nameEntry = typeDir + 16;
        for (const auto& [id, languages] : names) {
            const std::size_t nameDir = nameDirs[{type, id}];
            PutU32(out, nameEntry, id);
            PutU32(out, nameEntry + 4, 0x80000000u | static_cast<std::uint32_t>(nameDir));
            nameEntry += 8;
            PutDirectoryHeader(out, nameDir, languages.size());
            std::size_t languageEntry = nameDir + 16;
            for (const auto& [language, index] : languages) {
                section.paths[index] = {entry - 8, typeDir, nameEntry - 8, nameDir, languageEntry};
                PutU32(out, languageEntry, language);
                PutU32(out, languageEntry + 4, static_cast<std::uint32_t>(section.dataEntryOffsets[index]));
                languageEntry += 8;
            }
        }
    }
    for (std::size_t i = 0; i < resources.size(); ++i) {
        const std::size_t at = section.dataEntryOffsets[i];
        PutU32(out, at, rva + static_cast<std::uint32_t>(section.dataOffsets[i]));
        PutU32(out, at + 4, static_cast<std::uint32_t>(resources[i].data.size()));
        std::copy(resources[i].data.begin(), resources[i].data.end(),
                  out.begin() + static_cast<std::ptrdiff_t>(section.dataOffsets[i]));
    }
    return section;
}

}  // namespace

PeImage BuildPe(const PeOptions& options)
{
    PeImage image;
    Bytes& out = image.bytes;
    PutDosHeader(out, options.relocationTableOffset);

    const bool withResources = !options.resources.empty();
    const std::size_t optionalSize = options.pe32Plus ? 240 : 224;
    const std::size_t sectionCount = withResources ? 2 : 1;
    image.peSignatureOffset = kLfanew;
    image.optionalHeaderOffset = kLfanew + 24;
    image.sectionTableOffset = image.optionalHeaderOffset + optionalSize;
    image.resourceDataDirectoryOffset = image.optionalHeaderOffset + (options.pe32Plus ? 112 : 96) + 16;
    const std::size_t headersSize = AlignUp(image.sectionTableOffset + 40 * sectionCount, kFileAlignment);
    out.resize(headersSize, 0);

    out[kLfanew] = 'P';
    out[kLfanew + 1] = 'E';
    const std::size_t fileHeader = kLfanew + 4;
    PutU16(out, fileHeader, options.pe32Plus ? 0x8664 : 0x014C);
    PutU16(out, fileHeader + 2, static_cast<std::uint16_t>(sectionCount));
    PutU16(out, fileHeader + 16, static_cast<std::uint16_t>(optionalSize));
    PutU16(out, fileHeader + 18, options.pe32Plus ? 0x2022 : 0x2102);  // DLL

    const std::size_t optional = image.optionalHeaderOffset;
    PutU16(out, optional, options.pe32Plus ? 0x20B : 0x10B);
    PutU32(out, optional + 4, kFileAlignment);  // SizeOfCode
    PutU32(out, optional + 20, kTextRva);       // BaseOfCode
    if (options.pe32Plus) {
        PutU32(out, optional + 24, 0x80000000u);  // ImageBase, low half
        PutU32(out, optional + 28, 0x1);
    } else {
        PutU32(out, optional + 28, 0x10000000u);
    }
    PutU32(out, optional + 32, kSectionAlignment);
    PutU32(out, optional + 36, kFileAlignment);
    PutU16(out, optional + 40, 4);  // operating system version
    PutU16(out, optional + 48, 4);  // subsystem version
    PutU32(out, optional + 60, static_cast<std::uint32_t>(headersSize));
    PutU16(out, optional + 68, 2);                              // Windows GUI
    PutU32(out, optional + (options.pe32Plus ? 108 : 92), 16);  // NumberOfRvaAndSizes

    const std::size_t textOffset = headersSize;
    PutSection(out, image.sectionTableOffset, ".text", kTextRva, 16, textOffset, 0x60000020);
    out.resize(textOffset + kFileAlignment, 0);
    out[textOffset] = 0xC3;  // ret

    std::uint32_t imageSize = kTextRva + kSectionAlignment;
    if (withResources) {
        ResourceSection section = BuildResourceSection(options.resources, kResourceRva);
        image.resourceSectionOffset = out.size();
        image.resourceSectionRva = kResourceRva;
        PutSection(out, image.sectionTableOffset + 40, ".rsrc", kResourceRva, section.bytes.size(),
                   image.resourceSectionOffset, 0x40000040);
        PutU32(out, image.resourceDataDirectoryOffset, kResourceRva);
        PutU32(out, image.resourceDataDirectoryOffset + 4, static_cast<std::uint32_t>(section.bytes.size()));
        for (std::size_t i = 0; i < options.resources.size(); ++i) {
            image.dataEntryOffsets.push_back(image.resourceSectionOffset + section.dataEntryOffsets[i]);
            image.dataOffsets.push_back(image.resourceSectionOffset + section.dataOffsets[i]);
            PeResourcePath path = section.paths[i];
            for (std::size_t* offset :
                 {&path.typeEntry, &path.typeDirectory, &path.nameEntry, &path.nameDirectory, &path.languageEntry})
                *offset += image.resourceSectionOffset;
            image.resourcePaths.push_back(path);
        }
        out.insert(out.end(), section.bytes.begin(), section.bytes.end());
        out.resize(AlignUp(out.size(), kFileAlignment), 0);
        imageSize = static_cast<std::uint32_t>(kResourceRva + AlignUp(section.bytes.size(), kSectionAlignment));
    }
    PutU32(out, optional + 56, imageSize);
    return image;
}

PeImage BuildPeWithVersion(const Bytes& block, std::uint16_t language, bool pe32Plus)
{
    PeOptions options;
    options.pe32Plus = pe32Plus;
    options.resources.push_back({kRtVersion, kVersionId, language, block});
    return BuildPe(options);
}

}  // namespace crafted
