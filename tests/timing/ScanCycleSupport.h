// The window's side of a scan, as ui/ScanControl.cpp and the status timer do
// it, for engines driven from a test thread that plays the window thread.
#pragma once

#include <string>

#include "engine/ScanEngine.h"

// What the generous guards allow before a test calls it a hang.
constexpr DWORD kHangGuardMs = 60000;

// Reads the options and lists as "&Collect Info" does: waits for a stopped
// worker first, then rewrites them and starts the worker.
bool StartLikeTheWindow(CScanEngine& engine, const std::string& directory);
