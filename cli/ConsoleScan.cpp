#include "cli/ConsoleScan.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <memory>
#include <string>

#include "cli/CompareTree.h"
#include "cli/ConsoleProblems.h"
#include "cli/FieldValues.h"
#include "cli/ProgressLine.h"
#include "cli/RowFormats.h"
#include "compare/Compare.h"
#include "engine/DriveRoot.h"
#include "engine/ModuleReadPool.h"
#include "engine/ScanEngine.h"
#include "engine/SemicolonList.h"
#include "framework/CSingleLock.h"
#include "platform/signature/ModuleSignature.h"
#include "platform/win32.h"
#include "platform/terminal/StatusLine.h"
#include "support/TerminalText.h"

namespace {

volatile std::sig_atomic_t g_stopRequested = 0;

// Rows move out every 10 ms, so that those waiting stay a few hundred
// however fast a tree yields them; the progress line is drawn every tenth
// tick, 100 ms apart as in the window.
constexpr DWORD kDrainMilliseconds = 10;
constexpr int kTicksPerProgress = 10;

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
    // No name given: the window's empty filter, which takes every module.
    if (options.filters.empty()) engine.m_filters.Add("");
    for (const std::string& filter : options.filters) engine.m_filters.Add(filter.c_str());
    engine.m_scanSubdirectories = options.subdirectories;
    engine.m_directories.RemoveAll();
    if (!options.directoriesGiven) AddSplit(SystemDirectory(), engine.m_directories);
    for (const std::string& directory : options.directories) engine.m_directories.Add(directory.c_str());
    for (const std::string& extension : options.extensions) engine.m_moduleExtensions.Add(extension.c_str());
}

int ProcessorCount()
{
    SYSTEM_INFO system;
    GetSystemInfo(&system);
    return system.dwNumberOfProcessors > 0 ? static_cast<int>(system.dwNumberOfProcessors) : 1;
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

// How rows are printed in this run.
struct RowPrinting {
    OutputFormat format;
    RowLayout layout;
    FieldContext context;
    bool toTerminal;  // standard output is a terminal
};

// Moves every pending row out and prints it; false once writing fails. On
// the terminal the progress line shows on, the line goes first.
bool PrintPending(CScanEngine& engine, const RowPrinting& printing, RowOutput& out, ProgressLine& progress)
{
    CTypedPtrArray<CPtrArray, dllVersionInfo*> rows;
    engine.TakePendingResults(rows);
    if (rows.GetSize() > 0 && printing.toTerminal) progress.Clear();
    for (int i = 0; i < rows.GetSize(); ++i) {
        out.Write(FormatRow(*rows[i], printing.format, printing.layout, printing.context, printing.toTerminal));
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

void RequestConsoleScanStop()
{
    g_stopRequested = 1;
}

int RunConsoleCompare(const ScanOptions& options, std::FILE* in, std::FILE* out, std::FILE* err)
{
    if (options.tree) return RunCompareTree(options, in, out, err);
    compare::CompareOptions comparison;
    comparison.oldPath = options.directories[0];
    comparison.newPath = options.directories[1];
    comparison.keyFields = options.keyFields;
    comparison.compareFields = options.compareFields;
    comparison.format = options.format == OutputFormat::Csv     ? compare::CompareFormat::Csv
                        : options.format == OutputFormat::Jsonl ? compare::CompareFormat::Jsonl
                                                                : compare::CompareFormat::Tsv;
    comparison.header = options.tsvHeading;
    comparison.quiet = options.quiet;
    return compare::RunCompare(comparison, in, out, err);
}

int RunConsoleScan(const ScanOptions& options, std::FILE* out, std::FILE* err)
{
    g_stopRequested = 0;
    CScanEngine engine;
    Configure(engine, options);
    const RowPrinting printing{options.format, RowLayout::Of(options), FieldContext{HostName()},
                               platform::IsTerminal(out)};
    std::unique_ptr<platform::SignatureChecker> signatures;
    if (!OpenSignatureChecker(options.fields, options.trustRoots, err, signatures)) return 2;
    // Facts beyond the columns are read only when a field asks for one.
    FieldContext written = printing.context;
    written.utf8 = options.format != OutputFormat::Tsv;
    engine.m_inspection = RequestFor(printing.layout.fields, signatures.get(), written);
    engine.m_inspection.keepReading = &engine.m_keepScanning;
    engine.m_keepRowFacts = 1;
    ConsoleProblems problems(options.allDrives ? DriveRoots() : std::vector<std::string>{});
    engine.m_problemSink = &problems;

    RowOutput output(out);
    output.Write(FormatHeading(options.format, printing.layout));

    // By default every core reads when a module is read whole (its hash, its
    // signature); for the headers and the version alone, handing a module
    // over costs about what reading it does, and the walk's own thread reads,
    // as it always did.
    const bool readsWholeFiles = engine.m_inspection.sha256 || engine.m_inspection.signatures;
    const int readers = options.threads > 0 ? options.threads : readsWholeFiles ? ProcessorCount() : 1;
    std::unique_ptr<ModuleReadPool> pool;
    if (readers > 1) {
        pool = std::make_unique<ModuleReadPool>(engine, readers);
        engine.m_readPool = pool.get();
    }

    if (!engine.BeginScanWorker()) {
        std::fprintf(err, "modaris-scan: cannot start the scan thread\n");
        return 1;
    }
    ProgressLine progress(err, !options.quiet && platform::IsTerminal(err));
    bool stopped = false;
    for (int tick = 1; !engine.WaitForWorkerToEnd(kDrainMilliseconds); ++tick) {
        if ((g_stopRequested || output.Failed()) && !stopped) {
            engine.StopScan();
            stopped = true;
        }
        PrintPending(engine, printing, output, progress);
        ReportProblems(problems, progress, err);
        if (tick % kTicksPerProgress == 0) progress.Show(engine.m_foundCount, CurrentDirectory(engine));
    }
    PrintPending(engine, printing, output, progress);
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
