// VerQueryValueA on 32-bit and 16-bit blocks: path rules, values in place,
// texts converted to UTF-8, and malformed blocks read as missing values.
#include "version_test_support.h"

#include <algorithm>
#include <cstring>
#include <functional>

namespace version_test {
namespace {

using crafted::Bytes;
using crafted::VersionNode;

const char* const kCompany = "\\StringFileInfo\\040904B0\\CompanyName";

Bytes Encode(const VersionNode& root, bool wide)
{
    return wide ? crafted::EncodeBlock32(root) : crafted::EncodeBlock16(root);
}

TEST(VersionQuery, PathRulesHoldForBothBlockKinds)
{
    for (bool wide : {true, false}) {
        auto buffer = AsCopied(Encode(crafted::VersionTree(SampleInfo()), wide));
        SCOPED_TRACE(wide ? "32-bit" : "16-bit");
        for (const char* root : {static_cast<const char*>(nullptr), "", "\\", "\\\\\\"}) {
            const Query query = QueryValue(buffer.data(), root);
            ASSERT_TRUE(query.found);
            EXPECT_EQ(query.length, 52u);
            EXPECT_EQ(
                crafted::GetU32(
                    Bytes(static_cast<std::uint8_t*>(query.value), static_cast<std::uint8_t*>(query.value) + 4), 0),
                0xFEEF04BDu);
        }
        for (const char* path :
             {kCompany, "stringfileinfo\\040904b0\\COMPANYNAME", "\\\\StringFileInfo\\\\040904B0\\CompanyName\\\\"}) {
            EXPECT_EQ(QueryValue(buffer.data(), path).Text(), std::string("Acme Corp", 10)) << path;
        }
        const Query translation = QueryValue(buffer.data(), "\\VarFileInfo\\Translation");
        ASSERT_TRUE(translation.found);
        EXPECT_EQ(translation.length, 4u);
        EXPECT_LT(static_cast<std::uint8_t*>(translation.value), buffer.data() + buffer.size() / 2);
        EXPECT_EQ(std::memcmp(translation.value, "\x09\x04\xB0\x04", 4), 0);

        for (const char* path :
             {"\\StringFileInfo\\040904B0\\Company", "\\StringFileInfo\\040904B0\\CompanyNameX", "\\VS_VERSION_INFO",
              "\\040904B0\\CompanyName", "\\StringFileInfo\\040904B0\\CompanyName\\x"}) {
            const Query query = QueryValue(buffer.data(), path);
            EXPECT_FALSE(query.found) << path;
            EXPECT_EQ(query.length, 0u);
            EXPECT_EQ(query.value, kUntouched);
            EXPECT_EQ(query.error, static_cast<DWORD>(ERROR_RESOURCE_TYPE_NOT_FOUND));
        }
    }
}

// The converted text of the single string `node` in a 32-bit block.
Query ConvertedText(VersionNode node, std::vector<std::uint8_t>& buffer)
{
    crafted::VersionInfo info = SampleInfo();
    info.stringTables[0].strings.clear();
    VersionNode root = crafted::VersionTree(info);
    root.children[0].children[0].children.push_back(std::move(node));
    buffer = AsCopied(crafted::EncodeBlock32(root));
    return QueryValue(buffer.data(), "\\StringFileInfo\\040904B0\\Text");
}

TEST(VersionQuery, TextsOf32BitBlocksAreConvertedIntoTheSecondHalf)
{
    std::vector<std::uint8_t> buffer;
    const Query plain = ConvertedText(crafted::TextNode("Text", "Acme"), buffer);
    const std::size_t wLength = crafted::GetU16(Bytes(buffer.begin(), buffer.begin() + 2), 0);
    const std::u16string utf16 = u"Acme";
    const auto* utf16Bytes = reinterpret_cast<const std::uint8_t*>(utf16.data());
    const std::uint8_t* original =
        std::search(buffer.data(), buffer.data() + wLength, utf16Bytes, utf16Bytes + 2 * utf16.size());
    EXPECT_EQ(static_cast<std::uint8_t*>(plain.value), buffer.data() + wLength + 4 + (original - buffer.data()));
    EXPECT_EQ(plain.Text(), std::string("Acme", 5));

    VersionNode uncounted = crafted::TextNode("Text", "Acme");
    uncounted.textLengthCountsNul = false;
    VersionNode otherType = crafted::TextNode("Text", "Acme");
    otherType.forcedType = 2;  // any non-zero wType is a text
    VersionNode noValue = crafted::TextNode("Text", "");
    noValue.textLengthCountsNul = false;
    const std::pair<VersionNode, std::string> cases[] = {
        {crafted::TextNode("Text", "\xC3\x9Cn\xC3\xAF \xE2\x82\xAC \xF0\x9F\x98\x80"),
         std::string("\xC3\x9Cn\xC3\xAF \xE2\x82\xAC \xF0\x9F\x98\x80", 15)},
        {uncounted, "Acme"},
        {otherType, std::string("Acme", 5)},
        {crafted::TextNode("Text", ""), std::string(1, '\0')},
        {noValue, ""},
    };
    for (const auto& [node, expected] : cases) {
        const Query query = ConvertedText(node, buffer);
        ASSERT_TRUE(query.found) << expected;
        EXPECT_EQ(query.Text(), expected);
        EXPECT_EQ(static_cast<const char*>(query.value)[query.length - (expected.empty() || expected.back() ? 0 : 1)],
                  '\0')
            << "always NUL-terminated";
    }
}

TEST(VersionQuery, TextLongerInUtf8ThanItsRoomIsCutAtACharacter)
{
    // Three UTF-8 bytes per UTF-16 unit, at the very end of the block: the
    // room behind it is only as large as the UTF-16 text.
    VersionNode root =
        crafted::BinaryNode("VS_VERSION_INFO", crafted::FixedInfoBytes({}),
                            {crafted::TextNode("K", "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E\xE6\x97\xA5")});
    const Bytes block = crafted::EncodeBlock32(root);
    std::vector<std::uint8_t> buffer = AsCopied(block);  // exactly 2 * wLength + 4: ASan sees any overrun
    const Query query = QueryValue(buffer.data(), "K");
    ASSERT_TRUE(query.found);
    EXPECT_EQ(query.length % 3, 0u);
    EXPECT_LT(query.length, 13u);
    EXPECT_EQ(std::strlen(static_cast<const char*>(query.value)), query.length);
}

TEST(VersionQuery, TextPastTheBlockIsConvertedAsFarAsItsRoom)
{
    // Windows converts as many units as the copy has room for, up to the
    // text's NUL and beyond it, and answers length 0 for the failed conversion.
    for (const std::uint16_t stated : {0x7000, 0xFFFF}) {
        VersionNode root = crafted::VersionTree(SampleInfo());
        root.children[0].children[0].children[0].forcedValueLength = stated;
        std::vector<std::uint8_t> buffer = AsCopied(crafted::EncodeBlock32(root));  // exactly sized for ASan
        const Query query = QueryValue(buffer.data(), kCompany);
        ASSERT_TRUE(query.found) << stated;
        EXPECT_EQ(query.length, 0u);
        EXPECT_STREQ(static_cast<const char*>(query.value), "Acme Corp");
    }
}

TEST(VersionQuery, TextsOf16BitBlocksAreConvertedFromTheirTranslationsCodePage)
{
    crafted::VersionInfo info = SampleInfo();
    const std::pair<const char*, const char*> texts[] = {
        {"040904E4", "M\xFCller & S\xF6hne \x80 \x81"},  // 1252, with one of its undefined bytes
        {"041904E3", "\xD0\xEE\xEC\xE0\xF8\xEA\xE0"},    // 1251
        // 932: a pair it lacks, a byte only Windows' table has, a pair cut by the end
        {"041103a4", "\x8A\x94\x8E\xAE\x89\xEF\x8E\xD0 \xFC\x6C\xA0\x82"},
        {"04090000", "\xE9t\xE9"},  // no code page: 1252
        {"0409FDE8", "\xE9t\xE9"},  // one iconv does not know: 1252
        {"Strings!", "\xE9t\xE9"},  // a table that names no translation
    };
    for (const auto& [table, text] : texts) info.stringTables.push_back({table, {{"CompanyName", text}}});
    auto buffer = AsCopied(crafted::EncodeBlock16(crafted::VersionTree(info)));
    const std::size_t wLength = crafted::GetU16(Bytes(buffer.begin(), buffer.begin() + 2), 0);
    const std::string expected[] = {
        "M\xC3\xBCller & S\xC3\xB6hne \xE2\x82\xAC \xC2\x81",
        "\xD0\xA0\xD0\xBE\xD0\xBC\xD0\xB0\xD1\x88\xD0\xBA\xD0\xB0",
        "\xE6\xA0\xAA\xE5\xBC\x8F\xE4\xBC\x9A\xE7\xA4\xBE \xEF\xBF\xBD\x6C\xEF\xA3\xB0\xEF\xBF\xBD",
        "\xC3\xA9t\xC3\xA9",
        "\xC3\xA9t\xC3\xA9",
        "\xC3\xA9t\xC3\xA9",
    };
    for (std::size_t i = 0; i < std::size(texts); ++i) {
        const std::string path = std::string("\\StringFileInfo\\") + texts[i].first + "\\CompanyName";
        const Query query = QueryValue(buffer.data(), path.c_str());
        ASSERT_TRUE(query.found) << path;
        EXPECT_EQ(query.Text(), expected[i] + '\0') << path;
        EXPECT_GE(static_cast<std::uint8_t*>(query.value), buffer.data() + wLength + 4) << "in the second half";
    }
    // ASCII reads alike in every code page: in place, as on Windows; and so
    // are values that are no strings.
    const Query ascii = QueryValue(buffer.data(), kCompany);
    EXPECT_EQ(ascii.Text(), std::string("Acme Corp", 10));
    EXPECT_LT(static_cast<std::uint8_t*>(ascii.value), buffer.data() + wLength);
    EXPECT_EQ(QueryValue(buffer.data(), "\\VarFileInfo\\Translation").length, 4u);
    EXPECT_LT(static_cast<std::uint8_t*>(QueryValue(buffer.data(), "\\").value), buffer.data() + wLength);

    // Last in the block, a text outgrows its room in UTF-8: cut at a whole
    // character, inside the copy (sized exactly, for ASan).
    const VersionNode text = crafted::TextNode("C", "\x8A\x94\x8E\xAE\x89\xEF\x8E\xD0");
    const VersionNode root =
        crafted::BinaryNode("VS_VERSION_INFO", crafted::FixedInfoBytes({}),
                            {crafted::GroupNode("StringFileInfo", {crafted::GroupNode("041103A4", {text})})});
    buffer = AsCopied(crafted::EncodeBlock16(root));
    const Query cut = QueryValue(buffer.data(), "\\StringFileInfo\\041103A4\\C");
    ASSERT_TRUE(cut.found);
    EXPECT_EQ(cut.length % 3, 0u);
    EXPECT_LT(cut.length, 12u);
    EXPECT_EQ(std::strlen(static_cast<const char*>(cut.value)), cut.length);
}

struct MalformedCase {
    const char* name;
    bool wide;
    std::function<void(VersionNode&)> breakIt;
    const char* path;
    bool found;
};

TEST(VersionQuery, MalformedBlocksReadAsWindowsReadsThem)
{
    // children[0] StringFileInfo > [0] 040904B0 > [0] CompanyName; children[1] VarFileInfo > [0] Translation
    auto table = [](VersionNode& root) -> VersionNode& { return root.children[0].children[0]; };
    // The last node, its key without NUL up to its end: Windows reads on
    // into the padding, which supplies one when there is any.
    auto unterminatedTail = [](std::uint16_t length) {
        return [length](VersionNode& root) {
            VersionNode tail = crafted::GroupNode("Tail", {});
            tail.unterminatedKey = true;
            tail.forcedLength = length;
            root.children.push_back(tail);
        };
    };
    const MalformedCase cases[] = {
        {"zero-length child", true, [](auto& r) { r.children[0].forcedLength = 0; }, kCompany, false},
        {"zero-length child ends the search", true, [](auto& r) { r.children[0].forcedLength = 0; },
         "\\VarFileInfo\\Translation", false},
        {"zero-length child found by its key", true, [&](auto& r) { table(r).children[0].forcedLength = 0; }, kCompany,
         true},
        {"zero-length 16-bit child found by its key", false, [&](auto& r) { table(r).children[0].forcedLength = 0; },
         kCompany, true},
        {"zero-length 16-bit child", false, [](auto& r) { r.children[0].forcedLength = 0; },
         "\\VarFileInfo\\Translation", false},
        {"child past its parent is walked by its own length", true, [&](auto& r) { table(r).forcedLength = 0xFFF0; },
         kCompany, true},
        // StringFileInfo ends 2 bytes into its table's header: the table is
        // still looked at, and walked to its own end.
        {"parent ending inside its child's header", true, [](auto& r) { r.children[0].forcedLength = 36 + 2; },
         kCompany, true},
        {"16-bit parent ending inside its child's header", false, [](auto& r) { r.children[0].forcedLength = 20 + 2; },
         kCompany, true},
        {"child past its parent, sibling", true, [&](auto& r) { table(r).forcedLength = 0xFFF0; },
         "\\VarFileInfo\\Translation", true},
        {"key read on to the padding's NUL", true, unterminatedTail(6 + 8), "\\Tail", true},
        {"16-bit key without NUL in the block", false, unterminatedTail(4 + 4), "\\Tail", false},
        {"value past the node is only pointed at", true,
         [](auto& r) { r.children[1].children[0].forcedValueLength = 200; }, "\\VarFileInfo\\Translation", true},
        {"root value past the root is only pointed at", true, [](auto& r) { r.forcedValueLength = 0x2000; }, "\\",
         true},
        {"16-bit value past the node is only pointed at", false,
         [](auto& r) { r.children[1].children[0].forcedValueLength = 200; }, "\\VarFileInfo\\Translation", true},
        {"root too short for its key", true, [](auto& r) { r.forcedLength = 12; }, "\\", false},
    };
    for (const MalformedCase& c : cases) {
        VersionNode root = crafted::VersionTree(SampleInfo());
        c.breakIt(root);
        std::vector<std::uint8_t> buffer = AsCopied(Encode(root, c.wide));
        EXPECT_EQ(QueryValue(buffer.data(), c.path).found != FALSE, c.found) << c.name;
    }
}

class VersionCopiedBlock : public ScratchTest {};

TEST_F(VersionCopiedBlock, BlockLongerThanItsResourceIsCutToTheCopy)
{
    const Bytes block = crafted::EncodeBlock32(crafted::VersionTree(SampleInfo()));
    crafted::PeImage image = crafted::BuildPeWithVersion(block);
    crafted::PutU32(image.bytes, image.dataEntryOffsets[0] + 4, static_cast<std::uint32_t>(block.size() - 40));
    const auto copy = ReadVersionInfo(Write("short.dll", image.bytes));  // exactly sized: ASan checks the walk
    ASSERT_EQ(copy.size(), (block.size() - 40) * 2 + 4);
    EXPECT_EQ(crafted::GetU16(Bytes(copy.begin(), copy.begin() + 2), 0), block.size() - 40);
    EXPECT_TRUE(QueryValue(copy.data(), "\\").found);
    EXPECT_EQ(QueryValue(copy.data(), kCompany).Text(), std::string("Acme Corp", 10));
    EXPECT_FALSE(QueryValue(copy.data(), "\\VarFileInfo\\Translation").found);
}

TEST_F(VersionCopiedBlock, ASmallNeResourceKeepsRoomForItsConvertedTexts)
{
    // A resource under 106 bytes: Windows' size for it, (size - 52) * 4,
    // leaves less than twice the block. Its wLength is cut to leave room
    // for the second half, as a 32-bit block's is; the copy is sized
    // exactly, so ASan sees any write past it.
    VersionNode tiny = crafted::BinaryNode(
        "VS_VERSION_INFO", {},
        {crafted::GroupNode("StringFileInfo", {crafted::GroupNode("040904E4", {crafted::TextNode("C", "\xFC")})})});
    crafted::NeOptions options;
    options.alignmentShift = 0;
    options.resources.push_back({0x8010, 0x8001, crafted::EncodeBlock16(tiny)});
    const auto small = ReadVersionInfo(Write("tiny.dll", crafted::BuildNe(options).bytes));
    ASSERT_EQ(small.size(), (options.resources[0].data.size() - 52) * 4);
    EXPECT_LE(2 * crafted::GetU16(Bytes(small.begin(), small.begin() + 2), 0) + 4u, small.size());
    const Query cut = QueryValue(small.data(), "\\StringFileInfo\\040904E4\\C");
    if (cut.found) {
        EXPECT_LE(static_cast<const std::uint8_t*>(cut.value) + cut.length, small.data() + small.size());
    }
    EXPECT_TRUE(QueryValue(small.data(), "\\").found);
}

}  // namespace
}  // namespace version_test
