#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "HeaderBytes.h"
#include "TempTree.h"
#include "engine/FileDate.h"
#include "engine/ModuleBitness.h"
#include "engine/ModuleFacts.h"
#include "platform/win32.h"

namespace {

constexpr uint16_t kPe32 = 0x10B;
constexpr uint16_t kPe32Plus = 0x20B;

struct BitnessCase {
    const char* what;
    HeaderBytes header;
    int bits;
};

TEST(ModuleBitness, FollowsTheHeaderFields)
{
    const BitnessCase cases[] = {
        {"e_lfarlc 64, PE32+", HeaderBytes(256).RelocationTable(64).NewHeaderAt(128).PeMagic(128, kPe32Plus), 64},
        {"e_lfarlc 64, PE32", HeaderBytes(256).RelocationTable(64).NewHeaderAt(128).PeMagic(128, kPe32), 32},
        {"e_lfarlc 0xFFFF, PE32", HeaderBytes(256).RelocationTable(0xFFFF).NewHeaderAt(128).PeMagic(128, kPe32), 32},
        {"e_lfarlc 64, other magic", HeaderBytes(256).RelocationTable(64).NewHeaderAt(128).PeMagic(128, 0x107), 0},
        {"e_lfarlc 0, e_lfanew 64", HeaderBytes(256).NewHeaderAt(64).PeMagic(64, kPe32Plus), 64},
        {"e_lfarlc 0, e_lfanew 128, PE32", HeaderBytes(256).NewHeaderAt(128).PeMagic(128, kPe32), 32},
        {"e_lfarlc 0, e_lfanew 192 (EFI), PE32+", HeaderBytes(512).NewHeaderAt(192).PeMagic(192, kPe32Plus), 64},
        {"e_lfarlc 0, e_lfanew 12 (packed), PE32", HeaderBytes(256).NewHeaderAt(12).PeMagic(12, kPe32), 32},
        {"e_lfarlc 0, PE past the first page", HeaderBytes(9000).NewHeaderAt(8000).PeMagic(8000, kPe32Plus), 64},
        {"e_lfarlc 0, e_lfanew 128, NE", HeaderBytes(256).NewHeaderAt(128).U16(128, 0x454E), 16},
        {"e_lfarlc 0, \"PE\" without its zeros", HeaderBytes(256).NewHeaderAt(128).PeMagic(128, kPe32).U16(130, 1), 16},
        {"e_lfarlc 0, signature cut by the end", HeaderBytes(130).NewHeaderAt(128).U16(128, 0x4550), 16},
        {"e_lfarlc 0, PE, Magic past the end", HeaderBytes(140).NewHeaderAt(128).U16(128, 0x4550), 0},
        {"e_lfarlc 28 (MS-DOS)", HeaderBytes(256).RelocationTable(28).NewHeaderAt(128).PeMagic(128, kPe32), 16},
        {"e_lfarlc 1", HeaderBytes(64).RelocationTable(1), 16},
        {"e_lfarlc 63", HeaderBytes(64).RelocationTable(63), 16},
        {"no signatures at all", HeaderBytes(64).RelocationTable(40).U16(0, 0), 16},
        {"e_lfanew at the end", HeaderBytes(200).RelocationTable(64).NewHeaderAt(200), 0},
        {"e_lfanew past the end", HeaderBytes(200).RelocationTable(64).NewHeaderAt(5000), 0},
        {"Magic one byte past the end", HeaderBytes(153).RelocationTable(64).NewHeaderAt(128), 0},
        {"Magic ends at the end", HeaderBytes(154).RelocationTable(64).NewHeaderAt(128).U16(152, kPe32), 32},
        // The first page is read whole; a Magic across its end or beyond it is read alone.
        {"Magic ends the first page", HeaderBytes(4096).RelocationTable(64).NewHeaderAt(4070).PeMagic(4070, kPe32), 32},
        {"Magic across the first page's end",
         HeaderBytes(4200).RelocationTable(64).NewHeaderAt(4071).PeMagic(4071, kPe32Plus), 64},
        {"Magic past the first page", HeaderBytes(9000).RelocationTable(64).NewHeaderAt(8000).PeMagic(8000, kPe32), 32},
        {"e_lfanew near 4 GiB", HeaderBytes(256).RelocationTable(64).NewHeaderAt(0xFFFFFFF0), 0},
        {"shorter than a header", HeaderBytes(63).RelocationTable(64), 0},
        {"empty file", HeaderBytes(0), 0},
    };
    TempTree tree;
    int index = 0;
    for (const BitnessCase& c : cases) {
        const std::string name = "case" + std::to_string(index++) + ".dll";
        tree.AddFile(name, c.header.bytes);
        EXPECT_EQ(GetModuleBitness(tree.PathOf(name).c_str()), c.bits) << c.what;
    }
}

TEST(ModuleBitness, IsZeroForWhatCannotBeOpened)
{
    TempTree tree;
    EXPECT_EQ(GetModuleBitness(tree.PathOf("missing.dll").c_str()), 0);
    tree.AddDirectory("folder.dll");
    EXPECT_EQ(GetModuleBitness(tree.PathOf("folder.dll").c_str()), 0);
}

TEST(ModuleBitness, AFileHeldOpenUnsharedGivesZeroAndNoDate)
{
    TempTree tree;
    tree.AddFile("held.dll", HeaderBytes(256).RelocationTable(64).NewHeaderAt(128).PeMagic(128, kPe32).bytes);
    const std::string path = tree.PathOf("held.dll");
    ASSERT_EQ(GetModuleBitness(path.c_str()), 32);
    ASSERT_FALSE(InspectModule(path.c_str()).date.IsEmpty());

    HANDLE holder = CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetModuleBitness(path.c_str()), 0);
    const ModuleFacts held = InspectModule(path.c_str());
    EXPECT_TRUE(held.date.IsEmpty());
    EXPECT_EQ(held.bits, 0);
    CloseHandle(holder);
    EXPECT_EQ(GetModuleBitness(path.c_str()), 32);
}

// A module over 4 GiB is judged by its real size: its low 32 bits alone
// would leave no room for the Magic.
TEST(ModuleBitness, UsesTheWholeSizeOfAHugeSparseFile)
{
    TempTree tree;
    tree.AddFile("huge.dll", HeaderBytes(256).RelocationTable(64).NewHeaderAt(128).PeMagic(128, kPe32Plus).bytes);
    const std::string path = tree.PathOf("huge.dll");
    std::error_code error;
    std::filesystem::resize_file(path, (uint64_t{1} << 32) + 100, error);
    if (error) GTEST_SKIP() << "no sparse files here: " << error.message();
    EXPECT_EQ(GetModuleBitness(path.c_str()), 64);
}

}  // namespace
