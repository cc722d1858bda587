// NE modules whose resource table has lost its end, or whose headers and
// entries point outside the file. The sample NE holds an icon group, then
// the version group, then the table's end (a type 0), all before the
// resident-name table that bounds it. The probe calls every such file 16-bit.
#include "MalformedCase.h"
#include "SampleModules.h"

namespace malformed {
namespace {

using crafted::NeImage;
using crafted::PutU16;

constexpr std::size_t kEntrySize = 12;
constexpr std::size_t kResidentNames = 0x26;  // ne_restab, relative to the NE header

MalformedCase Patched(const std::string& name, std::function<void(NeImage&)> patch, ModuleRow row)
{
    return {name,
            [patch] {
                NeImage image = SampleNe();
                patch(image);
                return image.bytes;
            },
            row};
}

// The type 0 that ends the table, after the version group's one entry.
std::size_t EndMarker(const NeImage& i)
{
    return i.entryOffsets[1] + kEntrySize;
}

// An NE with the icon group alone: no version resource anywhere.
NeImage IconOnlyNe()
{
    crafted::NeOptions options;
    options.resources = {{0x8003, 0x8001, crafted::Bytes(40, 0x11)}};
    return crafted::BuildNe(options);
}

void EndTableAt(NeImage& i, std::size_t fileOffset)
{
    PutU16(i.bytes, i.neHeaderOffset + kResidentNames, static_cast<std::uint16_t>(fileOffset - i.neHeaderOffset));
}

const MalformedCase kCases[] = {
    {"intact NE", [] { return SampleNe().bytes; }, Intact(16)},

    // The end of the table missing: the version group comes first and is
    // found; without one, the search runs into the resident names and stops
    // at the table's bound.
    Patched(
        "end marker overwritten after the version group", [](NeImage& i) { PutU16(i.bytes, EndMarker(i), 0x8006); },
        Intact(16)),
    Patched(
        "table bound right before the end marker", [](NeImage& i) { EndTableAt(i, EndMarker(i)); }, Intact(16)),
    {"end marker overwritten, no version group",
     [] {
         NeImage image = IconOnlyNe();
         PutU16(image.bytes, image.entryOffsets[0] + kEntrySize, 0x8006);
         return image.bytes;
     },
     NoVersionResource(16)},
    {"table bound right before the end marker, no version group",
     [] {
         NeImage image = IconOnlyNe();
         EndTableAt(image, image.entryOffsets[0] + kEntrySize);
         return image.bytes;
     },
     NoVersionResource(16)},
    Patched(
        "table bound inside the version entry", [](NeImage& i) { EndTableAt(i, i.entryOffsets[1] + 6); },
        NoVersionResource(16)),
    Patched(
        "table bound inside the version group header", [](NeImage& i) { EndTableAt(i, i.entryOffsets[1] - 4); },
        NoVersionResource(16)),
    Patched(
        "table of the alignment shift alone", [](NeImage& i) { EndTableAt(i, i.resourceTableOffset + 2); },
        NoVersionResource(16)),
    // Only the first group of the version type is searched.
    Patched(
        "a version group without id 1 before the one with it",
        [](NeImage& i) {
            PutU16(i.bytes, i.resourceTableOffset + 2, 0x8010);
            PutU16(i.bytes, i.entryOffsets[0] + 6, 0x8002);
        },
        NoVersionResource(16)),
    Patched(
        "icon group claims 65535 entries", [](NeImage& i) { PutU16(i.bytes, i.resourceTableOffset + 4, 0xFFFF); },
        NoVersionResource(16))
        .WineUnsafe("Wine fault: its NE reader walks on past its copy of the resource table, a page fault"),
    Patched(
        "resident names before the resource table", [](NeImage& i) { EndTableAt(i, i.resourceTableOffset - 2); },
        NoVersionResource(16))
        .WineUnsafe("Wine fault: GetFileVersionInfoSizeA gives no answer within 60 s"),

    // Cut short, or pointing outside the file.
    {"cut inside the NE header", [] { return Cut(SampleNe().bytes, SampleNe().neHeaderOffset + 0x20); },
     NoVersionResource(16)},
    {"cut inside the resource table", [] { return Cut(SampleNe().bytes, SampleNe().entryOffsets[1] + 4); },
     NoVersionResource(16)},
    // What there is is read, and the rest of the engine's zeroed block left
    // as it was: the versions survive, the strings do not.
    MalformedCase{"cut inside the version data", [] { return Cut(SampleNe().bytes, SampleNe().dataOffsets[1] + 60); },
                  WithoutCompany(16)},
    Patched(
        "alignment shift 40", [](NeImage& i) { PutU16(i.bytes, i.resourceTableOffset, 40); }, NoVersionResource(16)),
    Patched(
        "version entry past the end", [](NeImage& i) { PutU16(i.bytes, i.entryOffsets[1], 0xFFFF); },
        NoVersionResource(16)),
    Patched(
        "version entry of length 0", [](NeImage& i) { PutU16(i.bytes, i.entryOffsets[1] + 2, 0); },
        NoVersionResource(16)),
};

INSTANTIATE_TEST_SUITE_P(NeResourceTable, MalformedModule, ::testing::ValuesIn(kCases), CaseName);

}  // namespace
}  // namespace malformed
