// The window benchmark. Opens the real dialog as the program does and plays
// the user, printing one "name: value" line per figure.
//
//   window_bench --folder DIR   time from "&Collect Info" to the last row for
//                               every module of DIR, against modaris-scan.exe
//                               on the same folder with the same options
//   window_bench --load DIR     a scan that yields many rows: rows per second,
//                               the longest timer tick, the longest wait of
//                               the window thread, and how
//                               soon a click on "&Stop" is taken mid-scan
#include <cstdio>
#include <cstring>
#include <string>

#include "DialogSession.h"
#include "ScanFiles.h"
#include "TickTiming.h"
#include "WindowProbe.h"
#include "framework/CSingleLock.h"
#include "res/resource.h"
#include "ui/ModarisDlg.h"

namespace {

constexpr DWORD kScanGuardMs = 30 * 60 * 1000;

// Starts a scan of every module of `folder` with the window's other options
// as they are; returns the time the click took to come back.
double StartEveryModuleScan(DialogSession& session, const std::string& folder)
{
    session.SetText(IDC_FILTER, "");
    session.SetText(IDC_DIRECTORIES, folder);
    const double start = NowMs();
    session.Click(IDC_COLLECT_INFO);
    return start;
}

// Waits for the scan's last row; the time it was seen. Reads the scan state
// in memory rather than asking the window: messages to another thread go
// through the Wine server, which the scan's own file calls need too.
double WaitForLastRow(const DialogSession& session)
{
    const double start = NowMs();
    CModarisDlg& dialog = session.Dialog();
    for (;;) {
        if (!dialog.m_scanRunning && !dialog.m_keepScanning) {
            CSingleLock lock(&dialog.m_resultsLock, true);
            if (dialog.m_pendingResults.GetSize() == 0) break;
        }
        if (NowMs() - start > kScanGuardMs) return -1;
        Sleep(5);
    }
    const double lastRow = NowMs();
    // The window's own view of the end: the caption and the status line.
    return session.WaitForScanEnd(60000) ? lastRow : -1;
}

int TimeFolder(const std::string& folder)
{
    DialogSession session;
    if (!session.IsOpen()) return 1;
    session.SetChecked(IDC_AUTO_CLEAR, true);
    const double clicked = StartEveryModuleScan(session, folder);
    const double lastRow = WaitForLastRow(session);
    if (lastRow < 0) return 1;
    std::printf("window rows: %d\n", session.RowCount());
    std::printf("window ms to last row: %.1f\n", lastRow - clicked);

    const double started = NowMs();
    const std::string output = RunConsoleScanner("-q -d \"" + folder + "\"");
    const double ended = NowMs();
    int lines = 0;
    for (char c : output) lines += c == '\n';
    std::printf("console rows: %d\n", lines);
    std::printf("console ms to exit: %.1f\n", ended - started);
    return lines == session.RowCount() ? 0 : 1;
}

int LoadWindow(const std::string& folder)
{
    DialogSession session;
    if (!session.IsOpen()) return 1;
    session.SetChecked(IDC_AUTO_CLEAR, true);
    session.SetChecked(IDC_KEEP_MOST_RECENT_VISIBLE, true);
    {
        TickTiming ticks(session);
        WindowProbe probe(session.Window());
        const double clicked = StartEveryModuleScan(session, folder);
        const double lastRow = WaitForLastRow(session);
        probe.Stop();
        const TickFigures tickFigures = ticks.Figures();
        if (lastRow < 0) return 1;
        const int rows = session.RowCount();
        std::printf("rows: %d\n", rows);
        std::printf("ms to last row: %.1f\n", lastRow - clicked);
        std::printf("rows per second: %.0f\n", rows * 1000.0 / (lastRow - clicked));
        std::printf("longest timer tick ms: %.1f\n", tickFigures.longestMs);
        std::printf("ticks over %.0f ms: %d of %d\n", TickTiming::kLimitMs, tickFigures.ticksOverLimit,
                    tickFigures.ticks);
        std::printf("longest wait of the window thread ms: %.1f\n", probe.LongestWaitMs());
        std::printf("answers slower than %.0f ms: %d of %d\n", WindowProbe::kSlowAnswerMs, probe.SlowAnswers(),
                    probe.Probes());
    }

    // Again, and "&Stop" once a third of the rows are there: the click's
    // handler has run when the message returns.
    const int total = session.RowCount();
    StartEveryModuleScan(session, folder);
    const double guardStart = NowMs();
    while (session.RowCount() < total / 3) {
        if (NowMs() - guardStart > kScanGuardMs) return 1;
        Sleep(20);
    }
    const double clicked = NowMs();
    session.Click(IDC_COLLECT_INFO);
    const double taken = NowMs();
    const double lastRow = WaitForLastRow(session);
    std::printf("stop click taken ms: %.1f\n", taken - clicked);
    std::printf("stop to scan end ms: %.1f\n", lastRow - clicked);
    std::printf("rows when stopped: %d of %d\n", session.RowCount(), total);
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 3 || (std::strcmp(argv[1], "--folder") != 0 && std::strcmp(argv[1], "--load") != 0)) {
        std::fprintf(stderr, "usage: window_bench --folder DIR | --load DIR\n");
        return 2;
    }
    if (!CanCreateWindows()) {
        std::fprintf(stderr, "window_bench: no display\n");
        return 1;
    }
    const int result = std::strcmp(argv[1], "--folder") == 0 ? TimeFolder(argv[2]) : LoadWindow(argv[2]);
    std::fflush(stdout);
    return result;
}
