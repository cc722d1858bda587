#include "cli/ConsoleScan.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <memory>
#include <string>

#include "cli/ConsoleProblems.h"
#include "cli/ModuleFactReader.h"
#include "cli/ProgressLine.h"
#include "cli/RowFormats.h"
#include "engine/DriveRoot.h"
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

// Appends the pieces of `list` split as the window splits its boxes.
void AddSplit(const std::string& list, CStringArray& to)
{
    CStringArray pieces;
    SplitSemicolonList(list.c_str(), pieces);
    for (int i = 0; i < pieces.GetSize(); ++i) to.Add(pieces[i]);
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
    engine.m_filters.RemoveAll();
    if (options.filters.empty()) AddSplit("", engine.m_filters);
    for (const std::string& filter : options.filters) AddSplit(filter, engine.m_filters);
    engine.m_scanSubdirectories = options.subdirectories;
    engine.m_directories.RemoveAll();
    if (!options.directoriesGiven) AddSplit(SystemDirectory(), engine.m_directories);
    for (const DirectoryArgument& directory : options.directories) {
        if (directory.isList) {
            AddSplit(directory.text, engine.m_directories);
        } else {
            engine.m_directories.Add(directory.text.c_str());
        }
    }
    for (const std::string& extension : options.extensions) engine.m_moduleExtensions.Add(extension.c_str());
}

std::vector<std::string> DriveRoots()
{
    std::vector<std::string> roots;
    for (char letter = 'c'; letter <= 'z'; ++letter) {
        const CString root = DriveRootText(letter);
        if (!root.IsEmpty()) roots.emplace_back(root.GetString());
    }
    return roots;
}

// Standard output, and whether writing to it still works.
class RowOutput {
public:
    explicit RowOutput(std::FILE* out) : m_out(out) {}

    // False once a write failed; the error is then kept.
    bool Write(const std::string& text)
    {
        if (m_failed) return false;
        if (std::fwrite(text.data(), 1, text.size(), m_out) != text.size()) Fail();
        return !m_failed;
    }
    bool Flush()
    {
        if (!m_failed && std::fflush(m_out) != 0) Fail();
        return !m_failed;
    }
    bool Failed() const { return m_failed; }
    // A reader that went away early (| head) is no failure to report.
    bool ReaderLeft() const { return m_error == EPIPE || m_error == EINVAL; }
    int Error() const { return m_error; }

private:
    void Fail()
    {
        m_failed = true;
        m_error = errno;
    }

    std::FILE* m_out;
    bool m_failed = false;
    int m_error = 0;
};

// Moves every pending row out and prints it; false once writing fails.
bool PrintPending(CScanEngine& engine, OutputFormat format, const RowLayout& layout, RowOutput& out)
{
    CTypedPtrArray<CPtrArray, dllVersionInfo*> rows;
    engine.TakePendingResults(rows);
    for (int i = 0; i < rows.GetSize(); ++i) {
        out.Write(FormatRow(*rows[i], format, layout));
        delete rows[i];
    }
    return rows.GetSize() == 0 || out.Flush();
}

// The problems gathered so far, below the progress line's last state.
void ReportProblems(ConsoleProblems& problems, ProgressLine& progress, std::FILE* err)
{
    const std::vector<std::string> lines = problems.TakeLines();
    if (lines.empty()) return;
    progress.Clear();
    for (const std::string& line : lines) std::fprintf(err, "%s\n", line.c_str());
    std::fflush(err);
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
    const RowLayout layout =
        options.fields.empty() ? RowLayout::WindowColumns(options.tsvHeading) : RowLayout(options.fields, options.tsvHeading);
    // Facts beyond the columns are read only when a field asks for one; named
    // roots are loaded even so, so that a wrong path is told at once.
    std::unique_ptr<ModuleFactReader> facts;
    if (!options.fields.empty() || !options.trustRoots.empty()) {
        facts = std::make_unique<ModuleFactReader>(options.fields, options.trustRoots);
        if (!facts->LoadError().empty()) {
            std::fprintf(err, "modaris-scan: %s\n", facts->LoadError().c_str());
            return 2;
        }
        if (!facts->Fields().empty()) engine.m_extraFactReader = facts.get();
    }
    ConsoleProblems problems(options.allDrives ? DriveRoots() : std::vector<std::string>{});
    engine.m_problemSink = &problems;

    RowOutput output(out);
    output.Write(FormatHeading(options.format, layout));

    if (!engine.BeginScanWorker()) {
        std::fprintf(err, "modaris-scan: cannot start the scan thread\n");
        return 1;
    }
    ProgressLine progress(err, !options.quiet && isatty(fileno(err)));
    bool stopped = false;
    // Rows move out every tick, as in the window, so memory stays flat.
    while (!engine.WaitForWorkerToEnd(kTickMilliseconds)) {
        if ((g_stopRequested || output.Failed()) && !stopped) {
            engine.StopScan();
            stopped = true;
        }
        PrintPending(engine, options.format, layout, output);
        ReportProblems(problems, progress, err);
        progress.Show(engine.m_foundCount, CurrentDirectory(engine));
    }
    PrintPending(engine, options.format, layout, output);
    output.Flush();
    progress.Clear();
    ReportProblems(problems, progress, err);
    if (output.Failed()) {
        if (output.ReaderLeft()) return 0;
        std::fprintf(err, "modaris-scan: cannot write the rows: %s\n", std::strerror(output.Error()));
        return 1;
    }
    if (!options.quiet) std::fprintf(err, "DLLs: %d\n", static_cast<int>(engine.m_foundCount));
    if (g_stopRequested) return 130;
    return problems.Any() ? 1 : 0;
}
