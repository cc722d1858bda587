#include "ScanWithin.h"

#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

#include "engine/ScanEngine.h"

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
    engine.m_filters.Add("");
    engine.m_scanSubdirectories = 0;
    engine.m_include16Bit = engine.m_include32Bit = engine.m_include64Bit = 1;
    engine.m_includeUnknownBits = 1;
    engine.m_keepScanning = 1;
    engine.ScanDirectory(directory.c_str());

    CTypedPtrArray<CPtrArray, dllVersionInfo*> taken;
    engine.TakePendingResults(taken);
    std::vector<ScannedRow> rows;
    for (int i = 0; i < taken.GetSize(); ++i) {
        const dllVersionInfo* record = taken[i];
        rows.push_back({record->GetFileName(), record->GetDate(),
                        {record->GetProductVersion(), record->GetFileVersion(), record->GetCompany(),
                         record->GetBits()}});
        delete record;
    }
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
