#include "platform/posix/version/pe_resource_directory.h"

#include "support/LittleEndian.h"

namespace version_reader {

namespace {

constexpr WORD kRtVersion = 16;
constexpr WORD kVersionInfoId = 1;
constexpr WORD kEnglishUnitedStates = 0x0409;
constexpr WORD kDefaultSublanguage = 0x0400;
constexpr std::uint32_t kSubdirectoryFlag = 0x80000000u;
constexpr std::uint64_t kDirectoryHeaderSize = 16;
constexpr std::uint64_t kEntrySize = 8;

struct Directory {
    std::uint64_t offset;
    std::uint32_t namedEntries;
    std::uint32_t idEntries;
};

class DirectoryReader {
public:
    DirectoryReader(const BoundedFile& file, std::uint64_t root, std::uint64_t limit)
        : file_(file), root_(root), limit_(limit)
    {
    }

    // The directory `relative` bytes from the root, if it and all its entries fit.
    std::optional<Directory> Open(std::uint32_t relative) const
    {
        const std::uint64_t offset = root_ + relative;
        std::uint8_t header[kDirectoryHeaderSize];
        if (!Fits(offset, kDirectoryHeaderSize) || !file_.Read(offset, header, sizeof header)) return std::nullopt;
        const Directory directory{offset, support::ReadU16(header + 12), support::ReadU16(header + 14)};
        const std::uint64_t entries = std::uint64_t{directory.namedEntries} + directory.idEntries;
        if (!Fits(offset + kDirectoryHeaderSize, entries * kEntrySize)) return std::nullopt;
        return directory;
    }

    // OffsetToData of the entry with integer id `id`. Integer entries follow
    // the named ones sorted by id, so a binary search finds it, as Windows
    // searches them.
    std::optional<std::uint32_t> FindById(const Directory& directory, WORD id) const
    {
        std::int64_t low = directory.namedEntries;
        std::int64_t high = low + directory.idEntries - 1;
        while (low <= high) {
            const std::int64_t middle = low + (high - low) / 2;
            std::uint8_t entry[kEntrySize];
            if (!ReadEntry(directory, static_cast<std::uint32_t>(middle), entry)) return std::nullopt;
            const WORD entryId = support::ReadU16(entry);
            if (entryId == id) return support::ReadU32(entry + 4);
            if (entryId > id) high = middle - 1;
            else low = middle + 1;
        }
        return std::nullopt;
    }

    std::optional<std::uint32_t> First(const Directory& directory) const
    {
        std::uint8_t entry[kEntrySize];
        if (directory.namedEntries + directory.idEntries == 0 || !ReadEntry(directory, 0, entry)) return std::nullopt;
        return support::ReadU32(entry + 4);
    }

    // The first entry that leads to data rather than to a subdirectory.
    std::optional<std::uint32_t> FirstData(const Directory& directory) const
    {
        const std::uint32_t count = directory.namedEntries + directory.idEntries;
        for (std::uint32_t i = 0; i < count; ++i) {
            std::uint8_t entry[kEntrySize];
            if (!ReadEntry(directory, i, entry)) return std::nullopt;
            if (!(support::ReadU32(entry + 4) & kSubdirectoryFlag)) return support::ReadU32(entry + 4);
        }
        return std::nullopt;
    }

    std::optional<ResourceDataEntry> ReadDataEntry(std::uint32_t relative) const
    {
        std::uint8_t entry[16];
        const std::uint64_t offset = root_ + relative;
        if (!Fits(offset, sizeof entry) || !file_.Read(offset, entry, sizeof entry)) return std::nullopt;
        return ResourceDataEntry{support::ReadU32(entry), support::ReadU32(entry + 4)};
    }

private:
    bool Fits(std::uint64_t offset, std::uint64_t length) const
    {
        return offset <= limit_ && length <= limit_ - offset;
    }

    bool ReadEntry(const Directory& directory, std::uint32_t index, std::uint8_t* entry) const
    {
        return file_.Read(directory.offset + kDirectoryHeaderSize + index * kEntrySize, entry, kEntrySize);
    }

    const BoundedFile& file_;
    std::uint64_t root_;
    std::uint64_t limit_;
};

std::optional<Directory> OpenSubdirectory(const DirectoryReader& reader, std::optional<std::uint32_t> offsetToData)
{
    if (!offsetToData || !(*offsetToData & kSubdirectoryFlag)) return std::nullopt;
    return reader.Open(*offsetToData & ~kSubdirectoryFlag);
}

// Neutral first, then the user's language and its neutral form, then US
// English, then whatever comes first: the order Windows' version functions
// try. The file reader also tries the user's primary language with its
// default sublanguage, and takes the first entry of any kind; the image
// lookup passes over entries that lead to a subdirectory and ends with the
// first that does not. (Wine's system language is the user's, so the file
// reader's system steps add nothing.)
std::optional<std::uint32_t> FindLanguage(const DirectoryReader& reader, const Directory& languages, WORD userLanguage,
                                          ResourceLookup lookup)
{
    const WORD userPrimaryNeutral = static_cast<WORD>(userLanguage & 0x03FF);
    const WORD userPrimaryDefault = static_cast<WORD>(userPrimaryNeutral | kDefaultSublanguage);
    const bool image = lookup == ResourceLookup::Image;
    const WORD order[] = {0, userLanguage, userPrimaryNeutral, image ? userPrimaryNeutral : userPrimaryDefault,
                          kEnglishUnitedStates};
    for (WORD language : order) {
        const auto entry = reader.FindById(languages, language);
        if (entry && !(image && (*entry & kSubdirectoryFlag))) return entry;
    }
    return image ? reader.FirstData(languages) : reader.First(languages);
}

}  // namespace

std::optional<ResourceDataEntry> FindVersionDataEntry(const BoundedFile& file, std::uint64_t root, std::uint64_t limit,
                                                      WORD userLanguage, ResourceLookup lookup)
{
    const DirectoryReader reader(file, root, limit);
    const auto types = reader.Open(0);
    if (!types) return std::nullopt;
    const auto names = OpenSubdirectory(reader, reader.FindById(*types, kRtVersion));
    if (!names) return std::nullopt;
    const auto languages = OpenSubdirectory(reader, reader.FindById(*names, kVersionInfoId));
    if (!languages) return std::nullopt;
    const auto data = FindLanguage(reader, *languages, userLanguage, lookup);
    if (!data || (*data & kSubdirectoryFlag)) return std::nullopt;
    return reader.ReadDataEntry(*data);
}

}  // namespace version_reader
