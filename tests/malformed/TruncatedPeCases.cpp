// The sample PE32 cut short at every boundary between its headers, its
// resource directory and its version data. Once the optional header's Magic
// is in the file the probe tells 32 bits; the version texts fall back until
// the whole version resource is there.
#include "MalformedCase.h"
#include "SampleModules.h"

namespace malformed {
namespace {

using crafted::PeImage;

MalformedCase CutAt(const std::string& name, std::function<std::size_t(const PeImage&)> at, ModuleRow row)
{
    return {"cut " + name,
            [at] {
                const PeImage image = SamplePe();
                return Cut(image.bytes, at(image));
            },
            row};
}

std::size_t VersionSize()
{
    return crafted::EncodeBlock32(SampleTree()).size();
}

const MalformedCase kCases[] = {
    {"intact PE32", [] { return SamplePe().bytes; }, Intact(32)},
    {"intact PE32+", [] { return SamplePe(true).bytes; }, Intact(64)},

    // MZ header and e_lfanew; a file below 64 bytes has no bitness.
    CutAt(
        "to nothing", [](auto&) { return 0; }, NoVersionResource(0)),
    CutAt(
        "after MZ", [](auto&) { return 2; }, NoVersionResource(0)),
    CutAt(
        "before e_lfanew", [](auto&) { return 60; }, NoVersionResource(0)),
    CutAt(
        "inside e_lfanew", [](auto&) { return 62; }, NoVersionResource(0)),
    CutAt(
        "after the MZ header", [](auto&) { return 64; }, NoVersionResource(0)),
    // PE signature and file header.
    CutAt(
        "inside the PE signature", [](auto& i) { return i.peSignatureOffset + 2; }, NoVersionResource(0)),
    CutAt(
        "after the PE signature", [](auto& i) { return i.peSignatureOffset + 4; }, NoVersionResource(0)),
    CutAt(
        "inside the file header", [](auto& i) { return i.peSignatureOffset + 10; }, NoVersionResource(0)),
    CutAt(
        "after the file header", [](auto& i) { return i.optionalHeaderOffset; }, NoVersionResource(0)),
    CutAt(
        "inside the Magic", [](auto& i) { return i.optionalHeaderOffset + 1; }, NoVersionResource(0)),
    // Optional header.
    CutAt(
        "after the Magic", [](auto& i) { return i.optionalHeaderOffset + 2; }, NoVersionResource(32)),
    CutAt(
        "before NumberOfRvaAndSizes", [](auto& i) { return i.optionalHeaderOffset + 92; }, NoVersionResource(32)),
    CutAt(
        "inside the resource data directory", [](auto& i) { return i.resourceDataDirectoryOffset + 4; },
        NoVersionResource(32)),
    CutAt(
        "after the optional header", [](auto& i) { return i.sectionTableOffset; }, NoVersionResource(32)),
    // Section table: .text, then .rsrc.
    CutAt(
        "inside the first section header", [](auto& i) { return i.sectionTableOffset + 20; }, NoVersionResource(32)),
    CutAt(
        "after the first section header", [](auto& i) { return i.sectionTableOffset + 40; }, NoVersionResource(32)),
    CutAt(
        "inside the .rsrc section header", [](auto& i) { return i.sectionTableOffset + 60; }, NoVersionResource(32)),
    CutAt(
        "after the section table", [](auto& i) { return i.sectionTableOffset + 80; }, NoVersionResource(32)),
    // Resource directory: root, type 16, id 1 (its languages), data entry.
    CutAt(
        "before the resource section", [](auto& i) { return i.resourceSectionOffset; }, NoVersionResource(32)),
    CutAt(
        "inside the root directory header", [](auto& i) { return i.resourceSectionOffset + 12; },
        NoVersionResource(32)),
    CutAt(
        "after the root directory header", [](auto& i) { return i.resourceSectionOffset + 16; }, NoVersionResource(32)),
    CutAt(
        "inside the type directory", [](auto& i) { return i.resourcePaths[0].typeDirectory + 8; },
        NoVersionResource(32)),
    CutAt(
        "inside the type directory's entry", [](auto& i) { return i.resourcePaths[0].nameEntry + 4; },
        NoVersionResource(32)),
    CutAt(
        "inside the language directory", [](auto& i) { return i.resourcePaths[0].nameDirectory + 8; },
        NoVersionResource(32)),
    CutAt(
        "inside the language entry", [](auto& i) { return i.resourcePaths[0].languageEntry + 4; },
        NoVersionResource(32)),
    CutAt(
        "inside the data entry", [](auto& i) { return i.dataEntryOffsets[0] + 6; }, NoVersionResource(32)),
    CutAt(
        "after the data entry", [](auto& i) { return i.dataEntryOffsets[0] + 16; }, NoVersionResource(32)),
    // Version data.
    CutAt(
        "inside the version block header", [](auto& i) { return i.dataOffsets[0] + 4; }, NoVersionResource(32)),
    // Wine copies the missing tail as the zeros that follow the file in its
    // mapping (the cuts lie inside a page, else it would fault): the product
    // version's LS word, then the string table, then the translation's code
    // page are lost.
    CutAt(
        "inside the fixed file info", [](auto& i) { return i.dataOffsets[0] + 60; }, NoVersionResource(32))
        .WineGives({"5.000600.0.000000", kSampleFileVersion, "", 32}),
    CutAt(
        "inside StringFileInfo", [](auto& i) { return i.dataOffsets[0] + VersionSize() / 2; }, NoVersionResource(32))
        .WineGives(WithoutCompany(32)),
    CutAt(
        "one byte short of the version data", [](auto& i) { return i.dataOffsets[0] + VersionSize() - 1; },
        NoVersionResource(32))
        .WineGives(WithoutCompany(32)),
    CutAt(
        "right after the version data", [](auto& i) { return i.dataOffsets[0] + VersionSize(); }, Intact(32)),
};

INSTANTIATE_TEST_SUITE_P(TruncatedPe, MalformedModule, ::testing::ValuesIn(kCases), CaseName);

}  // namespace
}  // namespace malformed
