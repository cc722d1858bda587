#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "HeaderBytes.h"
#include "TakenRows.h"
#include "TempTree.h"
#include "platform/wide_text.h"

namespace {

std::vector<unsigned char> Module64()
{
    return HeaderBytes(256).RelocationTable(64).NewHeaderAt(128).PeMagic(128, 0x20B).bytes;
}

[[maybe_unused]] std::vector<std::string> TakeFileNames(CScanEngine& engine)
{
    return FileNamesOf(TakeRows(engine));
}

std::string Row(const TempTree& tree, const std::string& relative)
{
    return RowPathOf(tree.PathOf(relative));
}

void RunToEnd(CScanEngine& engine)
{
    ASSERT_TRUE(engine.BeginScanWorker());
    ASSERT_TRUE(engine.WaitForWorkerToEnd());
}

TEST(ScanDriver, AWholeScanOnTheWorker)
{
    TempTree first, second;
    first.AddFile("a.dll", Module64());
    first.AddFile("sub/b.dll", Module64());
    second.AddFile("c.dll", Module64());

    CScanEngine engine;
    engine.m_filters.Add("");
    engine.m_directories.Add(first.Root().c_str());
    engine.m_directories.Add(second.Root().c_str());
    engine.m_includeSystemInfo = 1;
    RunToEnd(engine);

    const std::vector<TakenRow> rows = TakeRows(engine);
    // System information first, then the first directory whole, then the next.
    ASSERT_GE(rows.size(), 8u);
    EXPECT_EQ(rows[0].productVersion, "OS Version");
    EXPECT_EQ(rows[4].productVersion, "Num Processors");
    const std::vector<std::string> names = FileNamesOf(rows);
    const std::vector<std::string> files(names.end() - 3, names.end());
    EXPECT_EQ(files, (std::vector<std::string>{Row(first, "a.dll"), Row(first, "sub/b.dll"), Row(second, "c.dll")}));
    EXPECT_EQ(engine.m_foundCount, 3);
    EXPECT_TRUE(engine.m_currentDirectory.IsEmpty());
    EXPECT_EQ(engine.m_progressChanged, 1);
    EXPECT_EQ(engine.m_scanRunning, 0);
    EXPECT_EQ(engine.m_keepScanning, 0);
}

#ifndef _WIN32
// Drive roots come from a Wine prefix's dosdevices links.
TEST(ScanDriver, AllDrivesWalksCToZAndNoFurtherDriveAfterAStop)
{
    TempTree prefix;
    prefix.AddFile("c-drive/c.dll", Module64());
    prefix.AddFile("e-drive/e.dll", Module64());
    prefix.AddDirectory("dosdevices");
    ASSERT_EQ(symlink(prefix.PathOf("c-drive").c_str(), prefix.PathOf("dosdevices/c:").c_str()), 0);
    ASSERT_EQ(symlink(prefix.PathOf("e-drive").c_str(), prefix.PathOf("dosdevices/e:").c_str()), 0);
    ASSERT_EQ(symlink(prefix.PathOf("c-drive").c_str(), prefix.PathOf("dosdevices/a:").c_str()), 0);
    const char* previous = std::getenv("WINEPREFIX");
    const std::string saved = previous ? previous : "";
    setenv("WINEPREFIX", prefix.Root().c_str(), 1);

    CScanEngine engine;
    engine.m_filters.Add("");
    engine.m_searchAllDrives = 1;
    RunToEnd(engine);
    EXPECT_EQ(TakeFileNames(engine), (std::vector<std::string>{prefix.Root() + "/dosdevices/c://c.dll",
                                                               prefix.Root() + "/dosdevices/e://e.dll"}));

    engine.m_keepScanning = 0;
    engine.RunScan();  // as a worker that was stopped during drive c
    EXPECT_TRUE(TakeFileNames(engine).empty());
    EXPECT_TRUE(engine.m_currentDirectory.IsEmpty());

    if (previous) setenv("WINEPREFIX", saved.c_str(), 1);
    else unsetenv("WINEPREFIX");
}
#endif

}  // namespace
