#include "TickTiming.h"

#include <atomic>

#include "WindowProbe.h"
#include "ui/ModarisDlg.h"

namespace {

// A timer procedure has no context of its own: one timing at a time.
std::atomic<int> g_ticks{0};
std::atomic<int> g_ticksOverLimit{0};
std::atomic<double> g_longestMs{0};

void CALLBACK TimedStatusTick(HWND window, UINT message, UINT_PTR id, DWORD time)
{
    const double start = NowMs();
    CModarisDlg::StatusTimerProc(window, message, id, time);
    const double took = NowMs() - start;
    ++g_ticks;
    if (took > TickTiming::kLimitMs) ++g_ticksOverLimit;
    if (took > g_longestMs) g_longestMs = took;
}

void InstallStatusTimer(const DialogSession& session, TIMERPROC procedure)
{
    CModarisDlg& dialog = session.Dialog();
    session.OnDialogThread([&dialog, procedure] {
        dialog.SetTimer(CModarisDlg::kStatusTimer, CModarisDlg::kStatusPeriodMilliseconds, procedure);
    });
}

}  // namespace

TickTiming::TickTiming(const DialogSession& session) : m_session(session)
{
    g_ticks = 0;
    g_ticksOverLimit = 0;
    g_longestMs = 0;
    InstallStatusTimer(m_session, &TimedStatusTick);
}

TickTiming::~TickTiming()
{
    InstallStatusTimer(m_session, &CModarisDlg::StatusTimerProc);
}

TickFigures TickTiming::Figures() const
{
    return TickFigures{g_ticks, g_ticksOverLimit, g_longestMs};
}
