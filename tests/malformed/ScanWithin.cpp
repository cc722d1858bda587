#include "ScanWithin.h"

#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

#include "TakenRows.h"

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

std::vector<ScannedRow> Scan(const std::string& directory)
{
    CScanEngine engine;
    TakeEveryModuleOf(engine, directory);
    engine.m_scanSubdirectories = 0;
    engine.m_keepScanning = 1;
    engine.ScanDirectory(directory.c_str());
    std::vector<ScannedRow> rows;
    for (const TakenRow& r : TakeRows(engine))
        rows.push_back({r.fileName, r.date, {r.productVersion, r.fileVersion, r.company, r.bits}});
    return rows;
}

}  // namespace

std::optional<std::vector<ScannedRow>> ScanWithin(const std::string& directory, std::chrono::seconds limit)
{
    auto shared = std::make_shared<SharedScan>();
    std::thread worker([shared, directory] {
        std::vector<ScannedRow> rows = Scan(directory);
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
