// Times every tick of the window's status timer: the window's own timer is
// replaced, on the window's thread, by one that calls the same procedure
// between two clock readings.
#pragma once

#include "DialogSession.h"

struct TickFigures {
    int ticks = 0;
    int ticksOverLimit = 0;
    double longestMs = 0;
};

class TickTiming {
public:
    // Ticks longer than this count as over: the timer's own period.
    static constexpr double kLimitMs = 100.0;

    explicit TickTiming(const DialogSession& session);
    ~TickTiming();
    TickTiming(const TickTiming&) = delete;
    TickTiming& operator=(const TickTiming&) = delete;

    // The figures since this object was made.
    TickFigures Figures() const;

private:
    const DialogSession& m_session;
};
