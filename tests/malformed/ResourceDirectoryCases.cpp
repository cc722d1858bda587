// Resource directories of the sample PE32 that loop back up the tree, claim
// 65535 entries, or hold that many for real.
#include "MalformedCase.h"
#include "SampleModules.h"

namespace malformed {
namespace {

using crafted::PeImage;
using crafted::PeResourcePath;
using crafted::PutU16;
using crafted::PutU32;

constexpr std::uint32_t kSubdirectory = 0x80000000u;

// The OffsetToData of the entry at `entry` made to name `target`.
MalformedCase Pointed(const std::string& name, std::size_t PeResourcePath::*entry,
                      std::function<std::size_t(const PeImage&)> target, std::uint32_t flag = kSubdirectory)
{
    return {name,
            [=] {
                PeImage image = SamplePe();
                const std::size_t relative = target(image) - image.resourceSectionOffset;
                PutU32(image.bytes, image.resourcePaths[0].*entry + 4, flag | static_cast<std::uint32_t>(relative));
                return image.bytes;
            },
            NoVersionResource(32)};
}

std::size_t Root(const PeImage& i)
{
    return i.resourceSectionOffset;
}
std::size_t TypeDirectory(const PeImage& i)
{
    return i.resourcePaths[0].typeDirectory;
}
std::size_t LanguageDirectory(const PeImage& i)
{
    return i.resourcePaths[0].nameDirectory;
}

// NumberOfIdEntries (or NumberOfNamedEntries) of one directory set to 65535,
// which puts its entries far past the end of the section and of the file.
MalformedCase Claims65535(const std::string& name, std::function<std::size_t(const PeImage&)> directory,
                          std::size_t field = 14)
{
    return {name,
            [=] {
                PeImage image = SamplePe();
                PutU16(image.bytes, directory(image) + field, 0xFFFF);
                return image.bytes;
            },
            NoVersionResource(32)};
}

// The version resource in the neutral language among 65535 languages: every
// one from 0 to 65534 has a data entry of its own; all but the first hold
// four bytes.
crafted::Bytes SixtyFiveThousandLanguages()
{
    crafted::PeOptions options;
    options.resources.push_back({crafted::kRtVersion, crafted::kVersionId, 0, crafted::EncodeBlock32(SampleTree())});
    for (std::uint32_t language = 1; language < 65535; ++language)
        options.resources.push_back(
            {crafted::kRtVersion, crafted::kVersionId, static_cast<std::uint16_t>(language), crafted::Bytes(4, 0)});
    return crafted::BuildPe(options).bytes;
}

// The data entry's field at `field` set to `value`.
MalformedCase DataEntry(const std::string& name, std::size_t field, std::uint32_t value)
{
    return {name,
            [=] {
                PeImage image = SamplePe();
                PutU32(image.bytes, image.dataEntryOffsets[0] + field, value);
                return image.bytes;
            },
            NoVersionResource(32)};
}

const char* const kCopiesPastTheMapping =
    "Wine fault: GetFileVersionInfoA copies the data from past the end of its mapping of the file, a page fault";

const MalformedCase kCases[] = {
    // Entries pointing at their own directory or at one above it.
    Pointed("type entry points at the root, its own directory", &PeResourcePath::typeEntry, Root),
    Pointed("id entry points at the type directory, its own", &PeResourcePath::nameEntry, TypeDirectory),
    Pointed("id entry points at the root, its parent", &PeResourcePath::nameEntry, Root),
    Pointed("language entry points at its own directory", &PeResourcePath::languageEntry, LanguageDirectory),
    Pointed("language entry points at the type directory, its parent", &PeResourcePath::languageEntry, TypeDirectory),
    Pointed("language entry points at the root", &PeResourcePath::languageEntry, Root),
    // Read as a data entry, a directory header says: RVA 0, size 0.
    Pointed("language entry takes its own directory for a data entry", &PeResourcePath::languageEntry,
            LanguageDirectory, 0),
    Pointed("id entry takes the root for a data entry", &PeResourcePath::nameEntry, Root, 0),
    Pointed("type entry takes its own directory for a data entry", &PeResourcePath::typeEntry, TypeDirectory, 0),

    // 65535 entries claimed.
    Claims65535("root claims 65535 id entries", Root),
    Claims65535("root claims 65535 named entries", Root, 12),
    Claims65535("type directory claims 65535 id entries", TypeDirectory),
    Claims65535("language directory claims 65535 id entries", LanguageDirectory),

    // 65535 entries held.
    {"65535 languages, the version in the neutral one", SixtyFiveThousandLanguages, Intact(32)},

    // An offset near 4 GiB, which wraps when added in 32 bits.
    {"type entry points 0x7FFFFFF8 into the section",
     [] {
         PeImage image = SamplePe();
         PutU32(image.bytes, image.resourcePaths[0].typeEntry + 4, 0xFFFFFFF8u);
         return image.bytes;
     },
     NoVersionResource(32)},

    // The data entry itself: RVA at 0, size at 4.
    DataEntry("data entry size past the end of the file", 4, 0x10000).WineUnsafe(kCopiesPastTheMapping),
    DataEntry("data entry size 0xFFFFFFFF", 4, 0xFFFFFFFFu),
    DataEntry("data entry size 0", 4, 0),
    DataEntry("data entry RVA in no section", 0, 0x7FFF0000u).WineUnsafe(kCopiesPastTheMapping),
    DataEntry("data entry RVA 0xFFFFFFFC", 0, 0xFFFFFFFCu).WineUnsafe(kCopiesPastTheMapping),
};

INSTANTIATE_TEST_SUITE_P(ResourceDirectory, MalformedModule, ::testing::ValuesIn(kCases), CaseName);

}  // namespace
}  // namespace malformed
