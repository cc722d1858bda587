#include <gtest/gtest.h>

#include <atomic>
#include <initializer_list>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "HeaderBytes.h"
#include "TakenRows.h"
#include "TempTree.h"

namespace {

std::vector<unsigned char> Module32()
{
    return HeaderBytes(256).RelocationTable(64).NewHeaderAt(128).PeMagic(128, 0x10B).bytes;
}

class Walker : public CScanEngine {
public:
    explicit Walker(std::initializer_list<const char*> filters)
    {
        for (const char* filter : filters) m_filters.Add(filter);
        m_includeUnknownBits = 1;
        m_keepScanning = 1;
    }

    std::vector<std::string> WalkAndTakeNames(const std::string& directory)
    {
        result = ScanDirectory(directory.c_str());
        return FileNamesOf(TakeRows(*this));
    }

    int result = -1;
};

class DirectoryWalkerTest : public ::testing::Test {
protected:
    std::string Row(const std::string& name) const { return RowPathOf(tree.Root() + platform::kPathSeparator + name); }
    TempTree tree;
};

TEST_F(DirectoryWalkerTest, FilterEntriesMatchWholeNamesIgnoringAsciiCase)
{
    tree.AddFile("Kernel32.dll", Module32());
    tree.AddFile("other.dll", Module32());
    tree.AddFile("notes.txt", "text");

    struct Case {
        std::initializer_list<const char*> filters;
        std::vector<std::string> rows;
    };
    const Case cases[] = {
        {{""}, {Row("Kernel32.dll"), Row("other.dll")}},
        {{"kernel32.dll", ""}, {Row("Kernel32.dll"), Row("Kernel32.dll"), Row("other.dll")}},
        {{"kernel32.dll", "KERNEL32.DLL"}, {Row("Kernel32.dll"), Row("Kernel32.dll")}},
        {{"*.dll"}, {}},
        {{" kernel32.dll"}, {}},
        {{"kernel32"}, {}},
        {{"notes.txt"}, {}},
        {{}, {}},
    };
    for (const Case& c : cases) {
        Walker walker(c.filters);
        EXPECT_EQ(walker.WalkAndTakeNames(tree.Root()), c.rows) << "filters: " << c.filters.size();
        EXPECT_EQ(walker.m_foundCount, static_cast<int>(c.rows.size()));
        EXPECT_EQ(walker.result, 1);
    }
}

TEST_F(DirectoryWalkerTest, OnlyFilesWithAModuleExtensionAreRead)
{
    for (const char* name :
         {"dll", "a.", ".dll", "b.DLL.txt", "c.Ocx", "d.arx", "e.bpl", "f.EXE", "g.dl", "h.dlls", "i.y.Dll", "j"}) {
        tree.AddFile(name, Module32());
    }
    tree.AddDirectory("x.dll");
    Walker walker({""});
    walker.m_scanSubdirectories = 0;
    const std::vector<std::string> names = walker.WalkAndTakeNames(tree.Root());
    const std::vector<std::string> expected = {Row(".dll"),  Row("c.Ocx"), Row("d.arx"),  Row("dll"),
                                               Row("e.bpl"), Row("f.EXE"), Row("i.y.Dll")};
    EXPECT_EQ(std::multiset<std::string>(names.begin(), names.end()),
              std::multiset<std::string>(expected.begin(), expected.end()));
    // The directory named like a module is published, never read.
    EXPECT_EQ(std::string(walker.m_currentDirectory), tree.Root() + platform::kPathSeparator + "x.dll");
}

TEST_F(DirectoryWalkerTest, SubdirectoriesArePublishedAndEnteredOnlyWhenAsked)
{
    tree.AddFile("top.dll", Module32());
    tree.AddFile("a/inner.dll", Module32());
    tree.AddFile("a/deep/deepest.dll", Module32());
    tree.AddDirectory("b");
    const std::string sep(1, platform::kPathSeparator);

    Walker flat({""});
    flat.m_scanSubdirectories = 0;
    EXPECT_EQ(flat.WalkAndTakeNames(tree.Root()), (std::vector<std::string>{Row("top.dll")}));
    EXPECT_EQ(std::string(flat.m_currentDirectory), tree.Root() + sep + "b");
    EXPECT_EQ(flat.m_progressChanged, 1);

    Walker deep({""});
    const std::vector<std::string> names = deep.WalkAndTakeNames(tree.Root());
    EXPECT_EQ(names.size(), 3u);
    EXPECT_EQ(deep.m_foundCount, 3);
    // The last directory met stays as progress after the walk.
    EXPECT_EQ(std::string(deep.m_currentDirectory), tree.Root() + sep + "b");
}

TEST_F(DirectoryWalkerTest, AMissingDirectoryYieldsNothingAndGoesOn)
{
    Walker walker({""});
    EXPECT_TRUE(walker.WalkAndTakeNames(tree.PathOf("missing")).empty());
    EXPECT_EQ(walker.result, 1);
    EXPECT_EQ(walker.m_progressChanged, 0);
}

TEST_F(DirectoryWalkerTest, AStopTakesEffectAtTheNextEntry)
{
    tree.AddFile("sub/first.dll", Module32());
    Walker stoppedBefore({""});
    stoppedBefore.m_keepScanning = 0;
    EXPECT_TRUE(stoppedBefore.WalkAndTakeNames(tree.Root()).empty());
    EXPECT_EQ(stoppedBefore.result, 0);
    EXPECT_EQ(stoppedBefore.m_progressChanged, 0);

    constexpr int kFiles = 300;
    for (int i = 0; i < kFiles; ++i) tree.AddFile("sub/m" + std::to_string(i) + ".dll", Module32());
    Walker walker({""});
    std::atomic<int> countAtStop{-1};
    std::thread stopper([&] {
        while (walker.m_foundCount < 5) std::this_thread::yield();
        walker.m_keepScanning = 0;
        countAtStop = walker.m_foundCount.load();
    });
    walker.WalkAndTakeNames(tree.Root());
    stopper.join();
    EXPECT_EQ(walker.result, 0);
    // At most the file being read when the flag dropped is finished.
    EXPECT_LE(walker.m_foundCount, countAtStop + 1);
    EXPECT_LT(walker.m_foundCount, kFiles);
}

TEST_F(DirectoryWalkerTest, RowsFollowTheDirectoryOrderOfWindows)
{
    for (const char* name : {"c.dll", "_a.dll", "b.dll", "Zz.dll", "zz2.dll", "A.dll"}) tree.AddFile(name, Module32());
    Walker walker({""});
    EXPECT_EQ(walker.WalkAndTakeNames(tree.Root()),
              (std::vector<std::string>{Row("A.dll"), Row("b.dll"), Row("c.dll"), Row("Zz.dll"), Row("zz2.dll"),
                                        Row("_a.dll")}));
}

}  // namespace
