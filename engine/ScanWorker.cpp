// CScanEngine's worker thread, as the window side sees it: start, stop, wait.
#include "engine/ScanEngine.h"
#include "engine/ThreadName.h"
#include "platform/wide_text.h"

#ifdef _WIN32
#include <process.h>
#endif

bool CScanEngine::WaitForWorkerToEnd(DWORD milliseconds)
{
    if (!m_worker.IsValid()) return true;
    if (WaitForSingleObject(m_worker.Get(), milliseconds) == WAIT_TIMEOUT) return false;
    m_worker.Reset();
    return true;
}

bool CScanEngine::BeginScanWorker()
{
    WaitForWorkerToEnd();
    m_keepScanning = 1;
    m_scanRunning = 1;
    unsigned threadId = 0;
    auto* worker = reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, ScannerThreadProc, this, 0, &threadId));
    SetCurrentThreadName(worker, WIDE_TEXT("ScannerThread"));
    if (!worker) {
        // No scan runs: the window must not show one.
        m_scanRunning = 0;
        m_keepScanning = 0;
        return false;
    }
    m_worker.Reset(worker);
    return true;
}

void CScanEngine::StopScan()
{
    m_scanRunning = 0;
    m_keepScanning = 0;
}
