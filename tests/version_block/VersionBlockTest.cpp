// The shared reader of version blocks against version functions that misbehave
// as a changing file or a careless implementation can: nothing is read past
// the copy, and a failed copy is never queried.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>

#include "TempTree.h"
#include "platform/version_block/VersionBlock.h"

namespace {

using platform::VersionBlock;
using platform::VersionFunctions;

// What the fake functions do; one test at a time sets it.
struct Fake {
    DWORD size = 64;
    DWORD handle = 0;
    bool copies = true;
    // The query's answer: an offset into the block (or -1 for none) and a length.
    long valueOffset = -1;
    UINT valueLength = 0;
    int queries = 0;
    DWORD copiedLength = 0;
} g_fake;

DWORD WINAPI FakeSize(LPCSTR, LPDWORD handle)
{
    *handle = g_fake.handle;
    return g_fake.size;
}

BOOL WINAPI FakeCopy(LPCSTR, DWORD, DWORD length, LPVOID data)
{
    // A failed copy may still have written some of the file's new contents.
    std::memset(data, 'x', length);
    g_fake.copiedLength = length;
    return g_fake.copies;
}

BOOL WINAPI FakeQuery(LPCVOID block, LPCSTR, LPVOID* value, PUINT length)
{
    ++g_fake.queries;
    if (g_fake.valueOffset < 0) return FALSE;
    *value = const_cast<char*>(static_cast<const char*>(block) + g_fake.valueOffset);
    *length = g_fake.valueLength;
    return TRUE;
}

const VersionFunctions kFake{&FakeSize, &FakeCopy, &FakeQuery};

TEST(VersionBlock, GivesNothingWhenTheResourceCannotBeHad)
{
    struct Case {
        const char* why;
        DWORD size, handle;
        bool copies;
    } cases[] = {
        {"no resource", 0, 0, true},
        {"a handle other than 0", 64, 1, true},
        {"a size no allocation can meet", 0xFFFFFFF0u, 0, true},
        {"a failed copy (the file changed since its size was asked)", 64, 0, false},
    };
    for (const Case& c : cases) {
        g_fake = Fake{};
        g_fake.size = c.size;
        g_fake.handle = c.handle;
        g_fake.copies = c.copies;
        g_fake.valueOffset = 0;
        g_fake.valueLength = 52;
        const VersionBlock block = VersionBlock::Read(kFake, "any.dll");
        EXPECT_TRUE(block.IsEmpty()) << c.why;
        EXPECT_FALSE(block.FixedInfo()) << c.why;
        EXPECT_TRUE(block.Translations().empty()) << c.why;
        EXPECT_EQ(g_fake.queries, 0) << c.why;
    }
}

TEST(VersionBlock, ReadsNoValuePastTheCopy)
{
    g_fake = Fake{};
    g_fake.size = 64;
    // 64 bytes copied and 10 of zero-filled slack: a value 16 bytes before
    // the end that claims 400 bytes.
    g_fake.valueOffset = 64 + 10 - 16;
    g_fake.valueLength = 400;
    const VersionBlock block = VersionBlock::Read(kFake, "any.dll");
    ASSERT_FALSE(block.IsEmpty());
    EXPECT_FALSE(block.FixedInfo()) << "52 bytes do not fit in the 16 left";
    EXPECT_EQ(block.Translations().size(), 4u) << "cut to the 16 bytes the block holds";
    // Text without a terminator ends with the block.
    const auto text = block.Text({0x0409, 0x04B0}, "CompanyName");
    ASSERT_TRUE(text);
    EXPECT_EQ(*text, "xxxxxx") << "the copy's last 6 bytes, then the slack's zeros";
}

// A size query may state gigabytes for a file of a few KiB (an image
// resource in a section's virtual size): the copy takes no more than any
// query can reach, and the values still read.
TEST(VersionBlock, AResourceStatedAtGigabytesIsCopiedOnlyAsFarAsAQueryReaches)
{
    g_fake = Fake{};
    g_fake.size = 0x60000004;
    g_fake.valueOffset = 0;
    g_fake.valueLength = 52;
    const VersionBlock block = VersionBlock::Read(kFake, "any.dll");
    ASSERT_FALSE(block.IsEmpty());
    EXPECT_EQ(g_fake.copiedLength, 512u * 1024);
    EXPECT_TRUE(block.FixedInfo());
}

#ifndef MODARIS_MODULE_FIXTURE_DIR
#error "MODARIS_MODULE_FIXTURE_DIR names the built test modules"
#endif

std::string g_changingPath;

// The real size query, after which the module is cut short.
DWORD WINAPI SizeThenCut(LPCSTR path, LPDWORD handle)
{
    const DWORD size = GetFileVersionInfoSizeA(path, handle);
    std::filesystem::resize_file(g_changingPath, 100);
    return size;
}

// Between the size query and the copy the module is cut short, as when it is
// replaced while the scan reads it: the real functions' copy fails and the
// reader gives nothing, instead of trusting lengths that are not the file's.
TEST(VersionBlock, AModuleCutShortBetweenSizeAndCopyGivesNothing)
{
    TempTree tree;
    const std::string& path = g_changingPath = tree.PathOf("changing.dll");
    std::filesystem::copy_file(std::string(MODARIS_MODULE_FIXTURE_DIR) + "/v1_2_3_4_x86.dll", path);

    const VersionFunctions linked = platform::LinkedVersionFunctions();
    ASSERT_FALSE(VersionBlock::Read(linked, path.c_str()).IsEmpty());

    VersionFunctions changing = linked;
    changing.getSize = &SizeThenCut;
    const VersionBlock block = VersionBlock::Read(changing, path.c_str());
    EXPECT_TRUE(block.IsEmpty());
    EXPECT_FALSE(block.FixedInfo());
}

// The UTF-8 text csv and jsonl carry: a 16-bit block's company, bytes of
// code page 932 as its translation says, reads the same in both builds.
TEST(VersionBlock, ASixteenBitTextReadsInUtf8FromItsTranslationsCodePage)
{
    const std::string path = std::string(MODARIS_DIFFERENTIAL_CASE_DIR) + "/ne-company-in-code-page-932.dll";
    const VersionBlock block = VersionBlock::Read(platform::LinkedVersionFunctions(), path.c_str());
    ASSERT_FALSE(block.IsEmpty());
    EXPECT_EQ(block.LastTranslationUtf8Text("CompanyName").value_or("(none)"),
              "\xE6\xA0\xAA\xE5\xBC\x8F\xE4\xBC\x9A\xE7\xA4\xBE\xE3\x83\xA2\xE3\x83\x80\xE3\x83\xAA\xE3\x82\xB9");
}

}  // namespace
