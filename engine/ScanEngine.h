// The state of a scan and the operations of the worker that fill it. The
// window (and the console scanner) derive from this class; the window
// thread and the one worker thread meet only in these members.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "engine/ScanProblems.h"
#include "engine/dllVersionInfo.h"
#include "framework/CCriticalSection.h"
#include "framework/CPtrArray.h"
#include "framework/CString.h"
#include "framework/CStringArray.h"
#include "framework/CTypedPtrArray.h"
#include "platform/DirectoryIdentity.h"
#include "platform/UniqueHandles.h"

// Shared between the two threads without a lock: whole 32-bit values, and an
// increment on one thread is never lost to a write on the other.
using SharedInt = std::atomic<int32_t>;

class ModuleReadPool;

// Signatures of the system's Wow64 redirection switches.
using Wow64DisableFsRedirectionFn = BOOL(WINAPI*)(void** oldValue);
using Wow64RevertFsRedirectionFn = BOOL(WINAPI*)(void* oldValue);

class CScanEngine {
public:
    CScanEngine();
    ~CScanEngine();
    CScanEngine(const CScanEngine&) = delete;
    CScanEngine& operator=(const CScanEngine&) = delete;

    // Publishes the directory being searched; null empties the text.
    void SetProgressDirectory(const char* directory);
    // Makes a row of the five texts unless the bitness filter drops it.
    // The bitness is read from `readPath` when given (the name the file is
    // listed under), else from `path`.
    void AddResult(const char* path, const char* company, const char* productVersion, const char* fileVersion,
                   const char* date, const char* readPath = nullptr);
    // Counts, reads and reports one file of a directory listing. The row
    // shows `fileName`; the file is read as `readName` when given (the short
    // name of a long name the code page cannot spell).
    void InspectFile(const char* directory, const char* fileName, const char* readName = nullptr);
    // The row of a module once read: its texts from the facts, the bitness
    // class applied. On the walk's thread, or on a reader of m_readPool
    // (one at a time, in the walk's order).
    void AddInspectedModule(const char* rowPath, ModuleFacts facts, const char* foundUnder);
    // Walks one directory (and, when asked, its subtree); returns
    // m_keepScanning as it stands when the listing ends.
    int ScanDirectory(const char* directory);

    // The rows of system information: OS version, build, platform and
    // service pack; then processor count and, per processor, speed,
    // identifier and vendor.
    void AddOsVersionRows();
    void AddProcessorRows();

    // The scan driver, on the worker thread: system information when asked,
    // then every drive root or every listed directory.
    void RunScan();
    // The worker's entry; `argument` is the engine.
    static unsigned WINAPI ScannerThreadProc(void* argument);

    // Window side of a scan's life. A start first waits for a stopped worker
    // that is still ending, so that no two scans overlap and one scan's end
    // never clears the flags of the next.
    // Returns true once no worker is left, false when `milliseconds` passed.
    bool WaitForWorkerToEnd(DWORD milliseconds = INFINITE);
    // Sets both run flags and starts the worker, named "ScannerThread".
    // When no thread can be made the flags go back to 0 and it returns false.
    bool BeginScanWorker();
    // Clears both run flags; the walker unwinds at its next entry.
    void StopScan();

    // Takes every pending record out, in order, under the results lock; the
    // caller owns (and deletes) what it gets.
    void TakePendingResults(CTypedPtrArray<CPtrArray, dllVersionInfo*>& taken);
    // Frees every pending record.
    void DiscardPendingResults();

    CCriticalSection m_progressLock;
    CString m_currentDirectory;
    CStringArray m_filters;
    CStringArray m_directories;
    int m_scanSubdirectories = 1;
    int m_searchAllDrives = 0;
    SharedInt m_scanRunning{0};
    SharedInt m_keepScanning{0};
    SharedInt m_progressChanged{0};
    CCriticalSection m_resultsLock;
    SharedInt m_foundCount{0};
    CTypedPtrArray<CPtrArray, dllVersionInfo*> m_pendingResults;
    int m_include16Bit = 0;
    int m_include32Bit = 1;
    int m_include64Bit = 1;
    int m_includeUnknownBits = 0;
    int m_autoClear = 1;
    int m_ignoreRedirection = 0;
    int m_includeSystemInfo = 0;
    int m_keepMostRecentVisible = 1;
    // Set (before a scan starts) only by a caller that shows more of a row
    // than the columns: what to read of each module beyond them, and whether
    // each row keeps its facts (RowFacts).
    InspectionRequest m_inspection;
    int m_keepRowFacts = 0;
    // The directory or drive root whose walk runs now; the worker's alone.
    CString m_walkRoot;
    // Set (before a scan starts) only by the console scanner, to read the
    // modules on threads of their own; RunScan ends once they are all read.
    ModuleReadPool* m_readPool = nullptr;
    // Told of every directory that cannot be listed, when set.
    ScanProblemSink* m_problemSink = nullptr;
    // The extensions a module may have, without the dot; empty means the
    // five of the window.
    CStringArray m_moduleExtensions;
    Wow64DisableFsRedirectionFn m_pfnWow64DisableWow64FsRedirection = nullptr;
    Wow64RevertFsRedirectionFn m_pfnWow64RevertWow64FsRedirection = nullptr;

private:
    // AddResult with the bitness already read, and the row's facts when kept.
    void AddModuleRow(const char* path, const char* company, const char* productVersion, const char* fileVersion,
                      const char* date, int bits, std::unique_ptr<RowFacts> facts = nullptr);
    bool WantsBitness(int bits) const;
    bool HasWantedExtension(const char* name) const;
    // Whether any filter entry would inspect a file of this name.
    bool WantsFile(const char* name) const;
    // Whether a directory link leads to a directory of the path being walked.
    bool LeadsBackIntoTheWalk(const char* subdirectory);
    void LookUpRedirectionFunctions();

    // The directories the walk is in, outermost first, each with its
    // identity once a link made it needed; the worker's alone.
    struct WalkLevel {
        CString directory;
        std::optional<platform::DirectoryIdentity> identity;
        bool identityKnown;
    };
    std::vector<WalkLevel> m_walkPath;

    // Kept after the start so that the next start, and the end of the state,
    // can wait for the worker.
    platform::UniqueKernelHandle m_worker;
};
