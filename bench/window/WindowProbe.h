// Measures from another thread how long a window's thread keeps it waiting:
// a message that does nothing is sent every 10 ms, and each
// answer's delay is the time the thread was busy with something else (a
// timer tick moving rows into the list, painting).
#pragma once

#include <atomic>

#include "platform/win32.h"

class WindowProbe {
public:
    // Answers slower than this count as slow: the length of one timer tick.
    static constexpr double kSlowAnswerMs = 100.0;

    explicit WindowProbe(HWND window);
    ~WindowProbe();
    WindowProbe(const WindowProbe&) = delete;
    WindowProbe& operator=(const WindowProbe&) = delete;

    // Stops probing; the figures are final from here on.
    void Stop();
    double LongestWaitMs() const;
    int SlowAnswers() const { return m_slowAnswers; }
    int Probes() const { return m_probes; }

private:
    static unsigned WINAPI ThreadMain(void* probe);
    void Run();

    HWND m_window;
    HANDLE m_thread = nullptr;
    std::atomic<bool> m_stop{false};
    std::atomic<long long> m_longestTicks{0};
    std::atomic<int> m_slowAnswers{0};
    std::atomic<int> m_probes{0};
};

// A monotonic clock in milliseconds with sub-millisecond resolution.
double NowMs();
