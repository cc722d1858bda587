// CScanEngine's driver on the worker: RunScan and its thread's entry.
#include "engine/DriveRoot.h"
#include "platform/ProcAddress.h"
#include "engine/ModuleReadPool.h"
#include "engine/ScanEngine.h"

void CScanEngine::LookUpRedirectionFunctions()
{
    HMODULE kernel = GetModuleHandleA("Kernel32.dll");
    if (!kernel) return;
    m_pfnWow64DisableWow64FsRedirection =
        LookUpFunction<Wow64DisableFsRedirectionFn>(kernel, "Wow64DisableWow64FsRedirection");
    m_pfnWow64RevertWow64FsRedirection =
        LookUpFunction<Wow64RevertFsRedirectionFn>(kernel, "Wow64RevertWow64FsRedirection");
}

void CScanEngine::RunScan()
{
    // Both reads of the option see the same value: it changes only before a
    // worker starts. So the switch and its revert come in pairs.
    const bool switchRedirection =
        m_ignoreRedirection && m_pfnWow64DisableWow64FsRedirection && m_pfnWow64RevertWow64FsRedirection;
    void* redirectionToken = nullptr;
    if (switchRedirection) m_pfnWow64DisableWow64FsRedirection(&redirectionToken);

    if (m_includeSystemInfo) {
        AddOsVersionRows();
        AddProcessorRows();
    }

    if (m_searchAllDrives) {
        for (int letterIndex = 2; letterIndex <= 25; ++letterIndex) {
            const CString root = DriveRootText(static_cast<char>('a' + letterIndex));
            // A letter that stands for nothing here yields nothing.
            if (root.IsEmpty()) {
                if (!m_keepScanning) break;
                continue;
            }
            m_walkRoot = root;
            if (!ScanDirectory(root)) break;
        }
    } else {
        const int count = m_directories.GetSize();
        for (int i = 0; i < count; ++i) {
            const CString directory = m_directories[i];
            m_walkRoot = directory;
            ScanDirectory(directory);
        }
    }

    // The scan's rows are all there only once every module handed over is read.
    if (m_readPool) m_readPool->Drain();
    SetProgressDirectory("");
    if (switchRedirection) m_pfnWow64RevertWow64FsRedirection(redirectionToken);
}

unsigned WINAPI CScanEngine::ScannerThreadProc(void* argument)
{
    auto* engine = static_cast<CScanEngine*>(argument);
    engine->RunScan();
    engine->m_scanRunning = 0;
    engine->m_keepScanning = 0;
    return 0;
}
