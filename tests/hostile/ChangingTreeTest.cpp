// Trees that change under a running scan: a directory removed while it is
// walked, files that grow and shrink while they are read. The scan runs
// through the window's own start operation, on its worker.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

#include "HostileSupport.h"
#include "TakenRows.h"
#include "TempTree.h"
#include "framework/CSingleLock.h"

namespace {

constexpr DWORD kHangGuardMs = 120000;

std::vector<Cells> TakeCells(CScanEngine& engine)
{
    std::vector<Cells> rows;
    for (const TakenRow& row : TakeRows(engine)) rows.push_back(row.Cells());
    return rows;
}

// Each text of a file that changed under the scan is the module's own or
// the value of a failed step: never anything read from a half-changed file.
void ExpectWholeOrFailedSteps(const Cells& row, const KnownModule& module)
{
    SCOPED_TRACE(row[5]);
    EXPECT_TRUE(row[0] == module.version || row[0] == kNoVersion) << row[0];
    EXPECT_EQ(row[0], row[1]);
    EXPECT_TRUE(row[2].empty() || row[2].size() == 17) << row[2];
    // A read that meets a truncation in progress may see the cut bytes as
    // zeros: a header of zeros is an old-style DOS header, so 16.
    EXPECT_TRUE(row[3] == module.bits || row[3].empty() || row[3] == "16") << row[3];
    EXPECT_TRUE(row[4] == module.company || row[4].empty()) << row[4];
}

bool WaitFor(const std::function<bool()>& condition)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kHangGuardMs);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

TEST(ChangingTree, ADirectoryRemovedWhileItIsWalkedLosesNoRowElsewhere)
{
    TempTree tree;
    const Bytes module = FixtureBytes(kModule32);
    for (int i = 0; i < 10; ++i) tree.AddFile("a-doomed/s" + std::to_string(i) + "/m.dll", module);
    tree.AddFile("a-doomed/s0/n.dll", module);
    for (int i = 0; i < 10; ++i) tree.AddFile("z-survivor/m" + std::to_string(i) + ".dll", module);

    CScanEngine engine;
    TakeEveryModuleOf(engine, tree.Root());
    {
        // Holding the results lock stops the worker at its first row, inside
        // a-doomed/s0, whose listing it has already read.
        CSingleLock hold(&engine.m_resultsLock, true);
        ASSERT_TRUE(engine.BeginScanWorker());
        ASSERT_TRUE(WaitFor([&] { return engine.m_foundCount >= 1; }));
        std::filesystem::remove_all(tree.PathOf("a-doomed"));
    }
    ASSERT_TRUE(engine.WaitForWorkerToEnd(kHangGuardMs)) << "the scan did not end";

    const std::vector<Cells> rows = TakeCells(engine);
    EXPECT_EQ(static_cast<int>(rows.size()), engine.m_foundCount) << "a counted file has no row";
    // s0's two files were listed before the removal; nothing else of it is.
    ASSERT_EQ(rows.size(), 12u);
    EXPECT_EQ(rows[0][5], tree.PathOf("a-doomed/s0/m.dll"));
    // The worker counts m.dll when it starts reading it, so the removal can
    // land between its steps.
    ExpectWholeOrFailedSteps(rows[0], kModule32);
    EXPECT_NE(rows[0][3], "16") << "a removal leaves no zeros to read";
    EXPECT_EQ(rows[1][5], tree.PathOf("a-doomed/s0/n.dll"));
    EXPECT_TRUE(IsUnreadableRow(rows[1])) << "a removed file read as " << rows[1][0];
    for (int i = 0; i < 10; ++i) {
        const Cells& row = rows[static_cast<std::size_t>(2 + i)];
        EXPECT_EQ(row[5], tree.PathOf("z-survivor/m" + std::to_string(i) + ".dll"));
        EXPECT_TRUE(IsRowOf(row, kModule32)) << row[5];
    }
    EXPECT_EQ(engine.m_scanRunning + engine.m_keepScanning, 0);
}

// Rewrites a file in place, over and over: cut to a prefix of the module,
// written back whole, then grown past its end, until told to stop.
class FileChurner {
public:
    FileChurner(std::vector<std::string> paths, Bytes module)
        : m_paths(std::move(paths)), m_module(std::move(module)), m_thread([this] { Run(); })
    {
    }
    ~FileChurner()
    {
        m_stop = true;
        m_thread.join();
    }
    int Rewrites() const { return m_rewrites; }

private:
    void Run()
    {
        Bytes grown = m_module;
        grown.resize(m_module.size() * 3, 0xCC);
        const std::size_t cuts[] = {0, 2, 30, 63, 64, 200, m_module.size() / 2, m_module.size() - 1};
        for (std::size_t step = 0; !m_stop; ++step) {
            const std::string& path = m_paths[step % m_paths.size()];
            const int fd = open(path.c_str(), O_WRONLY | O_CLOEXEC);
            if (fd < 0) continue;
            const std::size_t cut = cuts[(step / m_paths.size()) % (sizeof cuts / sizeof cuts[0])];
            if (ftruncate(fd, static_cast<off_t>(cut)) == 0) {
                // Shrunk; now back to the whole module, or past it. A failed
                // write is only one change fewer.
                const Bytes& whole = step % 3 == 0 ? grown : m_module;
                const ssize_t wrote = pwrite(fd, whole.data(), whole.size(), 0);
                static_cast<void>(wrote);
            }
            close(fd);
            ++m_rewrites;
        }
    }

    std::vector<std::string> m_paths;
    Bytes m_module;
    std::atomic<bool> m_stop{false};
    std::atomic<int> m_rewrites{0};
    std::thread m_thread;
};

TEST(ChangingTree, FilesThatGrowAndShrinkWhileReadGiveWholeOrEmptyTexts)
{
    TempTree tree;
    const Bytes module = FixtureBytes(kModule64);
    std::vector<std::string> paths;
    for (int i = 0; i < 6; ++i) {
        tree.AddFile("m" + std::to_string(i) + ".dll", module);
        paths.push_back(tree.PathOf("m" + std::to_string(i) + ".dll"));
    }
    CScanEngine engine;
    TakeEveryModuleOf(engine, tree.Root());

    int scans = 0;
    std::vector<Cells> rows;
    {
        FileChurner churner(paths, module);
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(1500);
        while (std::chrono::steady_clock::now() < end || churner.Rewrites() < 50) {
            engine.m_foundCount = 0;
            ASSERT_TRUE(engine.BeginScanWorker());
            ASSERT_TRUE(engine.WaitForWorkerToEnd(kHangGuardMs)) << "a scan of changing files did not end";
            const std::vector<Cells> scanRows = TakeCells(engine);
            ASSERT_EQ(scanRows.size(), paths.size()) << "a file that changed under the scan lost its row";
            ASSERT_EQ(engine.m_foundCount, static_cast<int>(paths.size()));
            rows.insert(rows.end(), scanRows.begin(), scanRows.end());
            ++scans;
        }
    }
    int whole = 0;
    for (const Cells& row : rows) {
        ExpectWholeOrFailedSteps(row, kModule64);
        whole += IsRowOf(row, kModule64);
    }
    std::printf("%d scans of %zu changing files: %d rows read whole\n", scans, paths.size(), whole);
}

}  // namespace
