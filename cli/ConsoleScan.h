#pragma once

#include <cstdio>

#include "cli/ScanOptions.h"

// Runs one scan as the window would, printing rows as they arrive. Returns
// the exit status: 0 when the scan ran to its end, 130 when interrupted.
int RunConsoleScan(const ScanOptions& options, std::FILE* out, std::FILE* err);

// --compare: the two inventories of the plain arguments compared; the exit
// status as diff's.
int RunConsoleCompare(const ScanOptions& options, std::FILE* in, std::FILE* out, std::FILE* err);

// Asks a running console scan to stop, as "Stop" does (safe in a signal
// handler).
void RequestConsoleScanStop();
