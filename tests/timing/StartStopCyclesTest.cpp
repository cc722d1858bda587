// A thousand starts, stops and restarts through the window's own start
// operation. Under TSan any overlap of two workers, or a worker that touches
// its state after the state is gone, is a report; here every scan that ran
// to its end must have all its rows, and every stopped one a whole prefix.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <memory>
#include <thread>

#include "ScanCycleSupport.h"
#include "TakenRows.h"
#include "TempTree.h"
#include "framework/CSingleLock.h"

namespace {

constexpr int kCycles = 1000;

// One tick of the window's timer: takes every pending row out (their file
// names) and reads the progress text under its lock.
void TimerTick(CScanEngine& engine, std::vector<std::string>& rows)
{
    for (const std::string& name : FileNamesOf(TakeRows(engine))) rows.push_back(name);
    CSingleLock lock(&engine.m_progressLock, true);
    const CString shown = engine.m_currentDirectory;
    engine.m_progressChanged = 0;
}

class StartStopCycles : public ::testing::Test {
protected:
    void SetUp() override
    {
        const std::string module = std::string(MODARIS_MODULE_FIXTURE_DIR) + "/v1_2_3_4_x64.dll";
        for (int d = 0; d < 3; ++d) {
            for (int f = 0; f < 4; ++f) {
                const std::string relative = "d" + std::to_string(d) + "/m" + std::to_string(f) + ".dll";
                tree.AddDirectory("d" + std::to_string(d));
                std::filesystem::copy_file(module, tree.PathOf(relative));
                whole.push_back(tree.PathOf(relative));
            }
        }
    }

    // Ticks until the worker ends, as the window's timer does.
    std::vector<std::string> TickUntilTheEnd(CScanEngine& engine) const
    {
        std::vector<std::string> rows;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kHangGuardMs);
        while (!engine.WaitForWorkerToEnd(1)) {
            TimerTick(engine, rows);
            if (std::chrono::steady_clock::now() > deadline) {
                ADD_FAILURE() << "a scan of 12 files did not end";
                return rows;
            }
        }
        TimerTick(engine, rows);
        return rows;
    }

    TempTree tree;
    std::vector<std::string> whole;  // the rows of a whole scan, in order
};

TEST_F(StartStopCycles, EveryCompletedScanHasAllItsRowsAndNoWorkerOutlivesItsState)
{
    CScanEngine engine;
    int stoppedEarly = 0;
    for (int cycle = 0; cycle < kCycles; ++cycle) {
        SCOPED_TRACE("cycle " + std::to_string(cycle));
        switch (cycle % 4) {
        case 0: {
            // Stop, then start again at once: the start waits for the
            // stopped worker. Had its end cleared the new scan's flags, the
            // new scan would stop short of its whole rows.
            ASSERT_TRUE(StartLikeTheWindow(engine, tree.Root()));
            engine.StopScan();
            ASSERT_TRUE(StartLikeTheWindow(engine, tree.Root()));
            EXPECT_EQ(TickUntilTheEnd(engine), whole);
            break;
        }
        case 1:
            ASSERT_TRUE(StartLikeTheWindow(engine, tree.Root()));
            EXPECT_EQ(TickUntilTheEnd(engine), whole);
            EXPECT_EQ(engine.m_foundCount, static_cast<int>(whole.size()));
            break;
        case 2: {
            // Stopped somewhere in the walk: what was found is there, whole
            // and in order, a row for every count.
            ASSERT_TRUE(StartLikeTheWindow(engine, tree.Root()));
            std::this_thread::sleep_for(std::chrono::microseconds(cycle % 7 * 150));
            engine.StopScan();
            const std::vector<std::string> rows = TickUntilTheEnd(engine);
            EXPECT_TRUE(rows.size() <= whole.size() && std::equal(rows.begin(), rows.end(), whole.begin()))
                << rows.size() << " rows";
            EXPECT_EQ(static_cast<int>(rows.size()), engine.m_foundCount);
            stoppedEarly += rows.size() < whole.size();
            break;
        }
        case 3: {
            // The state goes while its worker runs (the dialog ends during a
            // scan): the end stops and waits. A worker that outlived it would
            // touch freed memory, which the sanitizers report.
            auto doomed = std::make_unique<CScanEngine>();
            ASSERT_TRUE(StartLikeTheWindow(*doomed, tree.Root()));
            if (cycle % 8 == 3) std::this_thread::sleep_for(std::chrono::microseconds(300));
            doomed.reset();
            break;
        }
        }
        ASSERT_EQ(engine.m_scanRunning + engine.m_keepScanning, 0) << "a scan that ended left its flags set";
    }
    std::printf("%d cycles; %d of %d stopped scans ended before their last row\n", kCycles, stoppedEarly, kCycles / 4);
}

}  // namespace
