// VS_VERSIONINFO blocks whose lengths and keys do not add up, and company
// names at the extremes, each in an otherwise sound PE32.
#include "MalformedCase.h"
#include "SampleModules.h"

namespace malformed {
namespace {

using crafted::VersionNode;

MalformedCase Broken(const std::string& name, std::function<void(VersionNode&)> breakIt, ModuleRow row)
{
    return {name,
            [breakIt] {
                VersionNode root = SampleTree();
                breakIt(root);
                return PeWithTree(root).bytes;
            },
            row};
}

MalformedCase Company(const std::string& name, const std::string& company)
{
    return {name, [company] { return PeWithTree(SampleTree(company)).bytes; }, WithCompany(company, 32)};
}

// A wLength `extra` bytes past the end of `node` as encoded.
std::uint16_t LengthPast(const VersionNode& node, std::size_t extra)
{
    return static_cast<std::uint16_t>(crafted::EncodeBlock32(node).size() + extra);
}

std::string LongCompany(std::size_t characters)
{
    std::string text;
    for (std::size_t i = 0; i < characters; ++i) text += static_cast<char>('A' + i % 26);
    return text;
}

const MalformedCase kCases[] = {
    // The root's wLength past the version data: the tree inside is sound.
    Broken(
        "root wLength 0xFFFF", [](VersionNode& r) { r.forcedLength = 0xFFFF; }, Intact(32)),
    // Here the narrow copy still ends inside the engine's block.
    Broken(
        "root wLength 100 past the data", [](VersionNode& r) { r.forcedLength = LengthPast(r, 100); }, Intact(32)),
    // The root query is answered whatever wLength says. "FE2X", written
    // right after wLength, overwrites a wLength of 0 and, in the second case,
    // dwProductVersionLS.
    Broken(
        "root wLength 0", [](VersionNode& r) { r.forcedLength = 0; }, WithoutCompany(32)),
    Broken("root wLength ends inside the fixed info", [](VersionNode& r) { r.forcedLength = 60; },
           {"5.000600.22579.773400", kSampleFileVersion, "", 32}),

    // A child longer than its parent: a string table running past
    // StringFileInfo keeps its strings; StringFileInfo running past the root
    // swallows VarFileInfo, and with it the translation.
    Broken(
        "string table longer than StringFileInfo",
        [](VersionNode& r) { StringTableOf(r).forcedLength = LengthPast(StringFileInfoOf(r), 64); }, Intact(32)),
    Broken(
        "StringFileInfo longer than the root",
        [](VersionNode& r) { StringFileInfoOf(r).forcedLength = LengthPast(r, 64); }, WithoutCompany(32)),
    Broken(
        "CompanyName longer than its table",
        [](VersionNode& r) { StringOf(r, "CompanyName").forcedLength = LengthPast(StringTableOf(r), 8); }, Intact(32)),

    // Unterminated keys: the key runs on into what follows it.
    // "VS_VERSION_INFO" ends on a 4-byte boundary, so without its NUL it runs
    // on into the fixed info up to the first zero unit (the low half of
    // dwStrucVersion): the value is read two DWORDs late, the file version
    // showing the product words and the product version dwFileFlagsMask 0x3F
    // and dwFileFlags; the children are then looked for inside StringFileInfo.
    Broken("root key unterminated", [](VersionNode& r) { r.unterminatedKey = true; },
           {"0.006300.0.000000", kSampleProductVersion, "", 32}),
    Broken(
        "CompanyName key unterminated", [](VersionNode& r) { StringOf(r, "CompanyName").unterminatedKey = true; },
        WithoutCompany(32)),
    Broken(
        "Translation key unterminated at the block's end",
        [](VersionNode& r) { TranslationOf(r).unterminatedKey = true; }, WithoutCompany(32)),
    // "040904B0" ends 2 bytes short of a 4-byte boundary: the padding is its NUL.
    Broken(
        "string table key unterminated, the padding ends it",
        [](VersionNode& r) { StringTableOf(r).unterminatedKey = true; }, Intact(32)),

    // wValueLength past the node: the value is handed out with that length,
    // inside the block, and the text ends at its NUL; a text past the block
    // is converted as far as its room goes, as on Windows.
    Broken(
        "CompanyName wValueLength past its node",
        [](VersionNode& r) { StringOf(r, "CompanyName").forcedValueLength = 0x7FFF; }, Intact(32)),
    Broken(
        "fixed info wValueLength past the root", [](VersionNode& r) { r.forcedValueLength = 0xFFFF; },
        WithoutCompany(32)),
    Broken(
        "Translation wValueLength past its node", [](VersionNode& r) { TranslationOf(r).forcedValueLength = 0xFFFF; },
        Intact(32)),

    // CompanyName of 0 characters, with only its NUL or with nothing at all,
    // and of 10,000 characters.
    Company("CompanyName of 0 characters", ""),
    Broken(
        "CompanyName without any value",
        [](VersionNode& r) {
            VersionNode& company = StringOf(r, "CompanyName");
            company.text.clear();
            company.textLengthCountsNul = false;
        },
        WithoutCompany(32)),
    Company("CompanyName of 10000 characters", LongCompany(10000)),
};

INSTANTIATE_TEST_SUITE_P(VersionBlock, MalformedModule, ::testing::ValuesIn(kCases), CaseName);

}  // namespace
}  // namespace malformed
