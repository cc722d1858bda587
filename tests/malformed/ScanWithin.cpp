#include "ScanWithin.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

#include "TakenRows.h"
#include "engine/ModuleReadPool.h"

namespace malformed {

namespace {

// Owned jointly by the waiting test and the scanning thread, so that a
// thread still running after the test gave up touches nothing freed.
struct SharedScan {
    std::mutex mutex;
    std::condition_variable ended;
    bool done = false;
    std::vector<ScannedRow> rows;
};

// On the walk's thread, or on eight readers of the console's pool.
std::vector<ScannedRow> Scan(const std::string& directory, int readers)
{
    CScanEngine engine;
    TakeEveryModuleOf(engine, directory);
    engine.m_scanSubdirectories = 0;
    engine.m_keepScanning = 1;
    std::unique_ptr<ModuleReadPool> pool;
    if (readers > 1) {
        pool = std::make_unique<ModuleReadPool>(engine, readers);
        engine.m_readPool = pool.get();
    }
    engine.ScanDirectory(directory.c_str());
    if (pool) pool->Drain();
    std::vector<ScannedRow> rows;
    for (const TakenRow& r : TakeRows(engine))
        rows.push_back({r.fileName, r.date, {r.productVersion, r.fileVersion, r.company, r.bits}});
    return rows;
}

// The rows must not depend on how many threads read the modules.
std::vector<ScannedRow> ScanWithOneAndEightReaders(const std::string& directory)
{
    std::vector<ScannedRow> one = Scan(directory, 1);
    const std::vector<ScannedRow> eight = Scan(directory, 8);
    EXPECT_EQ(eight.size(), one.size()) << directory;
    for (std::size_t i = 0; i < one.size() && i < eight.size(); ++i) {
        EXPECT_EQ(eight[i].path, one[i].path);
        EXPECT_EQ(eight[i].date, one[i].date) << one[i].path;
        EXPECT_TRUE(eight[i].row == one[i].row) << one[i].path << " read otherwise by eight readers";
    }
    return one;
}

}  // namespace

std::optional<std::vector<ScannedRow>> ScanWithin(const std::string& directory, std::chrono::seconds limit)
{
    auto shared = std::make_shared<SharedScan>();
    std::thread worker([shared, directory] {
        std::vector<ScannedRow> rows = ScanWithOneAndEightReaders(directory);
        const std::lock_guard<std::mutex> lock(shared->mutex);
        shared->rows = std::move(rows);
        shared->done = true;
        shared->ended.notify_all();
    });

    std::unique_lock<std::mutex> lock(shared->mutex);
    if (!shared->ended.wait_for(lock, limit, [&] { return shared->done; })) {
        lock.unlock();
        worker.detach();
        return std::nullopt;
    }
    lock.unlock();
    worker.join();
    return std::move(shared->rows);
}

}  // namespace malformed
