#include "engine/ModuleReadPool.h"

#include <utility>

#include "engine/ScanEngine.h"
#include "engine/ThreadName.h"
#include "platform/wide_text.h"

#ifdef _WIN32
#include <process.h>
#endif

ModuleReadPool::ModuleReadPool(CScanEngine& engine, int readers)
    : m_engine(engine), m_window(kJobsPerReader * static_cast<std::size_t>(readers < 1 ? 1 : readers))
{
    for (int i = 0; i < (readers < 1 ? 1 : readers); ++i) {
        unsigned threadId = 0;
        auto* thread = reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, ReaderThreadProc, this, 0, &threadId));
        if (!thread) break;
        SetCurrentThreadName(thread, WIDE_TEXT("ModuleReader"));
        m_readers.emplace_back(thread);
    }
}

ModuleReadPool::~ModuleReadPool()
{
    Drain();
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_ending = true;
    }
    m_jobAdded.notify_all();
    for (const platform::UniqueKernelHandle& reader : m_readers) WaitForSingleObject(reader.Get(), INFINITE);
}

void ModuleReadPool::Submit(const CString& rowPath, const CString& readPath, const CString& foundUnder)
{
    if (m_readers.empty()) {
        // No thread could be made: the walk reads for itself, as with one.
        m_engine.AddInspectedModule(rowPath, InspectModule(readPath, m_engine.m_inspection), foundUnder);
        return;
    }
    std::unique_lock<std::mutex> lock(m_mutex);
    m_roomFreed.wait(lock, [this] { return m_jobs.size() < m_window; });
    Job job;
    job.sequence = m_nextSequence++;
    job.rowPath = rowPath;
    job.readPath = readPath;
    job.foundUnder = foundUnder;
    m_jobs.push_back(std::move(job));
    m_jobAdded.notify_one();
}

void ModuleReadPool::Drain()
{
    std::unique_lock<std::mutex> lock(m_mutex);
    m_jobDone.wait(lock, [this] { return m_jobs.empty() && !m_releasing; });
}

unsigned WINAPI ModuleReadPool::ReaderThreadProc(void* pool)
{
    static_cast<ModuleReadPool*>(pool)->RunReader();
    return 0;
}

void ModuleReadPool::RunReader()
{
    // The file-system redirection is switched per thread: a reader must see
    // the folders as the walk does.
    void* redirectionToken = nullptr;
    const bool switchRedirection = m_engine.m_ignoreRedirection && m_engine.m_pfnWow64DisableWow64FsRedirection &&
                                   m_engine.m_pfnWow64RevertWow64FsRedirection;
    if (switchRedirection) m_engine.m_pfnWow64DisableWow64FsRedirection(&redirectionToken);
    ReadJobs();
    if (switchRedirection) m_engine.m_pfnWow64RevertWow64FsRedirection(redirectionToken);
}

void ModuleReadPool::ReadJobs()
{
    std::unique_lock<std::mutex> lock(m_mutex);
    for (;;) {
        m_jobAdded.wait(lock, [this] { return m_ending || m_untaken < m_jobs.size(); });
        if (m_untaken >= m_jobs.size()) return;  // ending, nothing left to read
        Job& job = m_jobs[m_untaken++];
        job.taken = true;
        m_reading.insert(job.sequence);
        // A deque keeps its elements where they are while jobs are added at
        // the back and removed at the front, and this one is removed only
        // once its facts are there: the reference stays good.
        const CString readPath = job.readPath;
        ModuleFacts facts = Inspect(job.sequence, readPath, lock);
        job.facts = std::move(facts);
        m_reading.erase(job.sequence);
        m_jobDone.notify_all();
        ReleaseFinished(lock);
    }
}

ModuleFacts ModuleReadPool::Inspect(std::uint64_t sequence, const CString& readPath, std::unique_lock<std::mutex>& lock)
{
    for (;;) {
        lock.unlock();
        ModuleFacts facts = InspectModule(readPath, m_engine.m_inspection);
        lock.lock();
        if (!facts.metSharingViolation) return facts;
        // A reader that waits holds nothing: it is not one the others wait
        // for, so two kept out by a third never wait for each other.
        m_reading.erase(sequence);
        m_jobDone.notify_all();
        const std::set<std::uint64_t> others = m_reading;
        // Nobody of ours was reading: the holder is another program.
        if (others.empty()) {
            m_reading.insert(sequence);
            return facts;
        }
        m_jobDone.wait(lock, [&] {
            for (const std::uint64_t other : others) {
                if (m_reading.count(other)) return false;
            }
            return true;
        });
        m_reading.insert(sequence);
    }
}

void ModuleReadPool::ReleaseFinished(std::unique_lock<std::mutex>& lock)
{
    if (m_releasing) return;  // the thread that releases now will take this one too
    m_releasing = true;
    while (!m_jobs.empty() && m_jobs.front().facts) {
        Job job = std::move(m_jobs.front());
        m_jobs.pop_front();
        --m_untaken;
        m_roomFreed.notify_one();
        // Outside the lock: the other readers go on while the row is added.
        lock.unlock();
        m_engine.AddInspectedModule(job.rowPath, std::move(*job.facts), job.foundUnder);
        lock.lock();
    }
    m_releasing = false;
    m_jobDone.notify_all();
}
