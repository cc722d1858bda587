// The console scanner's readers: the files the walk hands over, in its
// order, are inspected on a pool of threads, and their rows are added in
// that same order, so that the rows and their bytes are those of one thread.
// The walk waits while kJobsPerReader files per reader are in flight or
// waiting for their turn: memory stays flat however large the tree, and one
// huge file holds up only the rows that must come after it.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <mutex>
#include <cstdint>
#include <optional>
#include <set>
#include <vector>

#include "engine/ModuleFacts.h"
#include "framework/CString.h"
#include "platform/UniqueHandles.h"

class CScanEngine;

class ModuleReadPool {
public:
    static constexpr std::size_t kJobsPerReader = 64;

    // `readers` threads (at least 1), started now, after the engine's options
    // are set; they inspect with its m_inspection, see the folders as its
    // walk does, and add rows through its AddInspectedModule.
    ModuleReadPool(CScanEngine& engine, int readers);
    // Every file handed over is read and added first.
    ~ModuleReadPool();
    ModuleReadPool(const ModuleReadPool&) = delete;
    ModuleReadPool& operator=(const ModuleReadPool&) = delete;

    // One listed file, from the walk's thread; waits while the window is full.
    void Submit(const CString& rowPath, const CString& readPath, const CString& foundUnder);
    // Returns once every file handed over has its row added (or dropped).
    void Drain();

private:
    struct Job {
        std::uint64_t sequence = 0;
        CString rowPath;
        CString readPath;
        CString foundUnder;
        bool taken = false;
        std::optional<ModuleFacts> facts;
    };

    static unsigned WINAPI ReaderThreadProc(void* pool);
    void RunReader();
    void ReadJobs();
    // Inspects one job's file. Two names of one file (links) may be read at
    // once by two readers, whose handles share with nobody: the one kept out
    // waits for the readers then at work and reads again, so that it sees
    // what one thread would have seen.
    ModuleFacts Inspect(std::uint64_t sequence, const CString& readPath, std::unique_lock<std::mutex>& lock);
    // Adds the rows of the finished jobs at the front, in order.
    void ReleaseFinished(std::unique_lock<std::mutex>& lock);

    CScanEngine& m_engine;
    const std::size_t m_window;
    std::mutex m_mutex;
    std::condition_variable m_jobAdded;   // readers wait for work, or the end
    std::condition_variable m_roomFreed;  // the walk waits for room in the window
    std::condition_variable m_jobDone;    // Drain, and a reader kept out by another's handle
    std::deque<Job> m_jobs;               // in the walk's order, from the oldest not yet added
    std::size_t m_untaken = 0;            // index in m_jobs of the first job no reader took
    std::uint64_t m_nextSequence = 0;
    std::set<std::uint64_t> m_reading;  // the jobs taken whose facts are not there yet
    bool m_releasing = false;           // one thread adds rows at a time, in order
    bool m_ending = false;
    std::vector<platform::UniqueKernelHandle> m_readers;
};
