#include "cli/ConsoleScan.h"

#include <csignal>
#include <string>

#include "cli/ProgressLine.h"
#include "cli/RowFormats.h"
#include "engine/ScanEngine.h"
#include "engine/SemicolonList.h"
#include "framework/CSingleLock.h"
#include "platform/win32.h"

#ifdef _WIN32
#include <io.h>
#define isatty _isatty
#define fileno _fileno
#else
#include <unistd.h>
#endif

namespace {

volatile std::sig_atomic_t g_stopRequested = 0;

constexpr DWORD kTickMilliseconds = 100;

std::string SystemDirectory()
{
    char buffer[MAX_PATH] = "";
    const UINT length = GetSystemDirectoryA(buffer, MAX_PATH);
    return length > 0 && length < MAX_PATH ? buffer : "";
}

void Configure(CScanEngine& engine, const ScanOptions& options)
{
    engine.m_include16Bit = options.include16;
    engine.m_include32Bit = options.include32;
    engine.m_include64Bit = options.include64;
    engine.m_includeUnknownBits = options.includeUnknown;
    engine.m_ignoreRedirection = options.ignoreRedirection;
    engine.m_includeSystemInfo = options.systemInformation;
    engine.m_foundCount = 0;
    engine.SetProgressDirectory("");
    engine.m_searchAllDrives = options.allDrives;
    SplitSemicolonList(options.filter.c_str(), engine.m_filters);
    engine.m_scanSubdirectories = options.subdirectories;
    const std::string directories = options.directoriesGiven ? options.directories : SystemDirectory();
    SplitSemicolonList(directories.c_str(), engine.m_directories);
}

// Moves every pending row out and prints it; returns how many.
void PrintPending(CScanEngine& engine, OutputFormat format, std::FILE* out)
{
    CTypedPtrArray<CPtrArray, dllVersionInfo*> rows;
    engine.TakePendingResults(rows);
    for (int i = 0; i < rows.GetSize(); ++i) {
        const std::string line = FormatRow(*rows[i], format);
        std::fwrite(line.data(), 1, line.size(), out);
        delete rows[i];
    }
    if (rows.GetSize() > 0) std::fflush(out);
}

std::string CurrentDirectory(CScanEngine& engine)
{
    CSingleLock lock(&engine.m_progressLock, true);
    return std::string(engine.m_currentDirectory);
}

}  // namespace

void RequestConsoleScanStop() { g_stopRequested = 1; }

int RunConsoleScan(const ScanOptions& options, std::FILE* out, std::FILE* err)
{
    g_stopRequested = 0;
    CScanEngine engine;
    Configure(engine, options);
    const std::string heading = FormatHeading(options.format);
    std::fwrite(heading.data(), 1, heading.size(), out);

    if (!engine.BeginScanWorker()) {
        std::fprintf(err, "modaris-scan: cannot start the scan thread\n");
        return 1;
    }
    ProgressLine progress(err, !options.quiet && isatty(fileno(err)));
    bool stopped = false;
    // Rows move out every tick, as in the window, so memory stays flat.
    while (!engine.WaitForWorkerToEnd(kTickMilliseconds)) {
        if (g_stopRequested && !stopped) {
            engine.StopScan();
            stopped = true;
        }
        PrintPending(engine, options.format, out);
        progress.Show(engine.m_foundCount, CurrentDirectory(engine));
    }
    PrintPending(engine, options.format, out);
    progress.Clear();
    if (!options.quiet) std::fprintf(err, "DLLs: %d\n", static_cast<int>(engine.m_foundCount));
    return stopped || g_stopRequested ? 130 : 0;
}
