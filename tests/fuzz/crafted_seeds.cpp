#include "crafted_seeds.h"

namespace fuzz {

namespace {

crafted::VersionInfo Info(std::uint16_t major, std::vector<crafted::StringTable> tables,
                          std::vector<std::uint32_t> translations)
{
    crafted::VersionInfo info;
    info.fixed.fileVersion = {major, 2, 3, 4};
    info.fixed.productVersion = {major, 6, 7, 8};
    info.stringTables = std::move(tables);
    info.translations = std::move(translations);
    return info;
}

// e_lfarlc 0x40, as a linker writes it, whatever the builder's default:
// beside the builder's e_lfanew of 0x80, 0 would make a 16-bit program.
crafted::Bytes AsLinked(crafted::Bytes bytes)
{
    crafted::PutU16(bytes, 24, 0x40);
    return bytes;
}

crafted::Bytes Block32(const crafted::VersionInfo& info)
{
    return crafted::EncodeBlock32(crafted::VersionTree(info));
}

// An MS-DOS header alone: `relocationTable` at 24, e_lfanew 64.
crafted::Bytes DosHeader(std::uint16_t relocationTable, std::size_t size)
{
    crafted::Bytes bytes(size, 0);
    bytes[0] = 'M';
    bytes[1] = 'Z';
    crafted::PutU16(bytes, 24, relocationTable);
    crafted::PutU32(bytes, 60, 64);
    return bytes;
}

// Seven characters of three UTF-8 bytes each ("Kabushiki-gaisha tesuto").
const char kWideCompany[] = "\xE6\xA0\xAA\xE5\xBC\x8F\xE4\xBC\x9A\xE7\xA4\xBE\xE3\x83\x86\xE3\x82\xB9\xE3\x83\x88";

}  // namespace

std::vector<CraftedSeed> CraftedSeeds()
{
    std::vector<CraftedSeed> seeds;

    const auto english =
        Info(1, {{"040904B0", {{"CompanyName", "Acme Corp"}, {"FileDescription", "plain"}}}}, {0x04B00409});
    seeds.push_back({"pe32_english.dll", AsLinked(crafted::BuildPeWithVersion(Block32(english)).bytes), 32, 0x00010002,
                     "Acme Corp"});

    // Two translations, the second without CompanyName: the first one's stays.
    const auto two = Info(2,
                          {{"040904B0", {{"CompanyName", "Zweifach GmbH \xC3\xA4\xE2\x82\xAC"}}},
                           {"0C0704B0", {{"ProductName", "ohne Firma"}}}},
                          {0x04B00409, 0x04B00C07});
    seeds.push_back({"pe32plus_two_translations.dll",
                     AsLinked(crafted::BuildPeWithVersion(Block32(two), 0x0409, true).bytes), 64, 0x00020002,
                     "Zweifach GmbH \xC3\xA4\xE2\x82\xAC"});

    // The same resource in three languages; the pinned locale picks 0x0C07.
    crafted::PeOptions languages;
    languages.pe32Plus = true;
    const std::pair<std::uint16_t, std::uint16_t> perLanguage[] = {{0x0407, 3}, {0x0409, 4}, {0x0C07, 5}};
    for (const auto& [language, major] : perLanguage) {
        const std::string company = "Company " + std::to_string(major);
        languages.resources.push_back({crafted::kRtVersion, crafted::kVersionId, language,
                                       Block32(Info(major, {{"040904B0", {{"CompanyName", company}}}}, {0x04B00409}))});
    }
    seeds.push_back(
        {"pe32plus_three_languages.dll", AsLinked(crafted::BuildPe(languages).bytes), 64, 0x00050002, "Company 5"});

    const auto old = Info(3, {{"040904E4", {{"CompanyName", "Sechzehn Bit"}}}}, {0x04E40409});
    seeds.push_back({"ne_version.dll",
                     crafted::BuildNeWithVersion(crafted::EncodeBlock16(crafted::VersionTree(old))).bytes, 16,
                     0x00030002, "Sechzehn Bit"});

    // 16-bit texts in their translation's code page: 1252, 1251, and 932
    // last in the block, where the UTF-8 form outgrows its room.
    const auto western = Info(4, {{"040904E4", {{"CompanyName", "M\xFCller & S\xF6hne"}}}}, {0x04E40409});
    seeds.push_back({"ne_cp1252_company.dll",
                     crafted::BuildNeWithVersion(crafted::EncodeBlock16(crafted::VersionTree(western))).bytes, 16,
                     0x00040002, "M\xC3\xBCller & S\xC3\xB6hne"});
    const auto cyrillic = Info(5, {{"041904E3", {{"CompanyName", "\xD0\xEE\xEC\xE0\xF8\xEA\xE0"}}}}, {0x04E30419});
    seeds.push_back({"ne_cp1251_company.dll",
                     crafted::BuildNeWithVersion(crafted::EncodeBlock16(crafted::VersionTree(cyrillic))).bytes, 16,
                     0x00050002, "\xD0\xA0\xD0\xBE\xD0\xBC\xD0\xB0\xD1\x88\xD0\xBA\xD0\xB0"});
    crafted::VersionNode japanese = crafted::BinaryNode("VS_VERSION_INFO", crafted::FixedInfoBytes({}));
    japanese.children.push_back(
        crafted::GroupNode("VarFileInfo", {crafted::BinaryNode("Translation", {0x11, 0x04, 0xA4, 0x03})}));
    japanese.children.push_back(crafted::GroupNode(
        "StringFileInfo",
        {crafted::GroupNode("041103A4", {crafted::TextNode("CompanyName", "\x8A\x94\x8E\xAE\x89\xEF\x8E\xD0")})}));
    seeds.push_back({"ne_cp932_company_last_in_block.dll",
                     crafted::BuildNeWithVersion(crafted::EncodeBlock16(japanese)).bytes, 16, 0x00010000,
                     "\xE6\xA0\xAA\xE5\xBC\x8F\xE4\xBC\x9A\xE7\xA4\xBE", true});

    // CompanyName last in the block, in characters of three UTF-8 bytes
    // (two in UTF-16): its conversion needs more room than the block's
    // second half has left at its place.
    crafted::VersionNode last = crafted::BinaryNode("VS_VERSION_INFO", crafted::FixedInfoBytes({}));
    last.children.push_back(
        crafted::GroupNode("VarFileInfo", {crafted::BinaryNode("Translation", {0x09, 0x04, 0xB0, 0x04})}));
    last.children.push_back(crafted::GroupNode(
        "StringFileInfo", {crafted::GroupNode("040904b0", {crafted::TextNode("CompanyName", kWideCompany)})}));
    seeds.push_back({"pe32_company_last_in_block.dll",
                     AsLinked(crafted::BuildPeWithVersion(crafted::EncodeBlock32(last)).bytes), 32, 0x00010000,
                     kWideCompany, true});

    seeds.push_back({"dos_program.exe", DosHeader(28, 64), 16, 0, ""});
    seeds.push_back({"dos_header_pe32_magic.dll",
                     [] {
                         auto bytes = DosHeader(64, 90);
                         crafted::PutU16(bytes, 88, 0x10B);
                         return bytes;
                     }(),
                     32, 0, ""});
    return seeds;
}

}  // namespace fuzz
