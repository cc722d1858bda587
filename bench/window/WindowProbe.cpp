#include "WindowProbe.h"

#include <process.h>

namespace {

long long Ticks()
{
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return now.QuadPart;
}

double TicksPerMs()
{
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(frequency.QuadPart) / 1000.0;
}

}  // namespace

double NowMs()
{
    return static_cast<double>(Ticks()) / TicksPerMs();
}

WindowProbe::WindowProbe(HWND window) : m_window(window)
{
    m_thread = reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, &ThreadMain, this, 0, nullptr));
}

WindowProbe::~WindowProbe()
{
    Stop();
}

void WindowProbe::Stop()
{
    m_stop = true;
    if (!m_thread) return;
    WaitForSingleObject(m_thread, INFINITE);
    CloseHandle(m_thread);
    m_thread = nullptr;
}

double WindowProbe::LongestWaitMs() const
{
    return static_cast<double>(m_longestTicks.load()) / TicksPerMs();
}

unsigned WINAPI WindowProbe::ThreadMain(void* probe)
{
    static_cast<WindowProbe*>(probe)->Run();
    return 0;
}

void WindowProbe::Run()
{
    const double slowTicks = kSlowAnswerMs * TicksPerMs();
    while (!m_stop) {
        const long long sent = Ticks();
        DWORD_PTR answer = 0;
        if (!SendMessageTimeoutA(m_window, WM_NULL, 0, 0, SMTO_NORMAL, 10000, &answer)) break;
        const long long waited = Ticks() - sent;
        if (waited > m_longestTicks) m_longestTicks = waited;
        if (static_cast<double>(waited) > slowTicks) ++m_slowAnswers;
        ++m_probes;
        Sleep(10);
    }
}
