#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "HeaderBytes.h"
#include "TempTree.h"
#include "engine/ScanEngine.h"
#include "engine/ThreadName.h"
#include "platform/path_style.h"
#include "platform/wide_text.h"

namespace {

std::vector<unsigned char> Module64() { return HeaderBytes(256).RelocationTable(64).NewHeaderAt(128).PeMagic(128, 0x20B).bytes; }

struct Taken {
    std::vector<std::string> fileNames;
    std::vector<std::string> labels;  // product version texts
};

Taken TakeAll(CScanEngine& engine)
{
    CTypedPtrArray<CPtrArray, dllVersionInfo*> rows;
    engine.TakePendingResults(rows);
    Taken taken;
    for (int i = 0; i < rows.GetSize(); ++i) {
        taken.fileNames.push_back(rows[i]->GetFileName());
        taken.labels.push_back(rows[i]->GetProductVersion());
        delete rows[i];
    }
    return taken;
}

std::string Row(const TempTree& tree, const std::string& relative)
{
    std::string path = tree.PathOf(relative);
    if (platform::kUpperCaseRowPaths) {
        for (char& c : path) c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 32 : c);
    }
    return path;
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

    const Taken taken = TakeAll(engine);
    // System information first, then the first directory whole, then the next.
    ASSERT_GE(taken.labels.size(), 8u);
    EXPECT_EQ(taken.labels[0], "OS Version");
    EXPECT_EQ(taken.labels[4], "Num Processors");
    const std::vector<std::string> files(taken.fileNames.end() - 3, taken.fileNames.end());
    EXPECT_EQ(files, (std::vector<std::string>{Row(first, "a.dll"), Row(first, "sub/b.dll"), Row(second, "c.dll")}));
    EXPECT_EQ(engine.m_foundCount, 3);
    EXPECT_TRUE(engine.m_currentDirectory.IsEmpty());
    EXPECT_EQ(engine.m_progressChanged, 1);
    EXPECT_EQ(engine.m_scanRunning, 0);
    EXPECT_EQ(engine.m_keepScanning, 0);
}

TEST(ScanDriver, AnEmptyDirectoryListWalksNothing)
{
    CScanEngine engine;
    engine.m_filters.Add("");
    RunToEnd(engine);
    EXPECT_TRUE(TakeAll(engine).fileNames.empty());
    EXPECT_EQ(engine.m_progressChanged, 1);
}

TEST(ScanDriver, AStopEndsTheWalkAndANewStartNeverOverlapsIt)
{
    TempTree tree;
    for (int d = 0; d < 20; ++d) {
        for (int f = 0; f < 20; ++f) tree.AddFile("d" + std::to_string(d) + "/m" + std::to_string(f) + ".dll", Module64());
    }
    CScanEngine engine;
    engine.m_filters.Add("");
    engine.m_directories.Add(tree.Root().c_str());
    for (int round = 0; round < 20; ++round) {
        engine.m_foundCount = 0;
        ASSERT_TRUE(engine.BeginScanWorker());
        engine.StopScan();
        // The next start waits for this worker; its end must not clear the
        // flags of the next scan.
        ASSERT_TRUE(engine.BeginScanWorker());
        EXPECT_EQ(engine.m_scanRunning, 1);
        EXPECT_EQ(engine.m_keepScanning, 1);
        ASSERT_TRUE(engine.WaitForWorkerToEnd());
        EXPECT_EQ(engine.m_scanRunning + engine.m_keepScanning, 0);
        // Nothing lost: a row for every count, and the second scan whole.
        const int rows = static_cast<int>(TakeAll(engine).fileNames.size());
        EXPECT_EQ(rows, engine.m_foundCount);
        EXPECT_GE(rows, 400);
    }
}

TEST(ScanDriver, DestroyingTheStateDuringAScanStopsAndWaitsForTheWorker)
{
    TempTree tree;
    for (int f = 0; f < 200; ++f) tree.AddFile("m" + std::to_string(f) + ".dll", Module64());
    for (int round = 0; round < 10; ++round) {
        auto* engine = new CScanEngine;
        engine->m_filters.Add("");
        engine->m_directories.Add(tree.Root().c_str());
        ASSERT_TRUE(engine->BeginScanWorker());
        delete engine;  // the sanitizer builds see any use after this
    }
}

TEST(ThreadName, RefusesANullHandle)
{
    EXPECT_EQ(SetCurrentThreadName(nullptr, WIDE_TEXT("ScannerThread")), 6);
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
    EXPECT_EQ(TakeAll(engine).fileNames,
              (std::vector<std::string>{prefix.Root() + "/dosdevices/c://c.dll", prefix.Root() + "/dosdevices/e://e.dll"}));

    engine.m_keepScanning = 0;
    engine.RunScan();  // as a worker that was stopped during drive c
    EXPECT_TRUE(TakeAll(engine).fileNames.empty());
    EXPECT_TRUE(engine.m_currentDirectory.IsEmpty());

    if (previous) setenv("WINEPREFIX", saved.c_str(), 1); else unsetenv("WINEPREFIX");
}
#endif

}  // namespace
