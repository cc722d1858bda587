// What the console scan could not do, gathered on the worker and told on
// standard error by the thread that prints, the way find and ls tell it.
#pragma once

#include <cstdio>
#include <mutex>
#include <string>
#include <vector>

#include "engine/ScanProblems.h"

class ConsoleProblems : public ScanProblemSink {
public:
    // Roots of drives: a drive with no entries at all is no failure.
    explicit ConsoleProblems(std::vector<std::string> driveRoots = {}) : m_driveRoots(std::move(driveRoots)) {}

    void DirectoryNotListed(const char* directory, DWORD error) override;

    // What was gathered since the last call, one line each.
    std::vector<std::string> TakeLines();
    bool Any() const;

private:
    std::vector<std::string> m_driveRoots;
    mutable std::mutex m_mutex;
    std::vector<std::string> m_pending;
    bool m_any = false;
};

// The reason for a system error code, as a user reads it.
std::string ErrorReason(DWORD error);
