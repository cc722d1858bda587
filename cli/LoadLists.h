// --loads: instead of a walk, the modules the Windows loader would map for
// each program, written as a scan's rows (the fields, formats and heading
// of the scan) or, with --tree, as an indented tree for people.
#pragma once

#include <cstdio>

#include "cli/ScanOptions.h"

// Exit status: 0 when every module of every list resolves, 1 when one is
// missing, found only in copies of another machine type, or cannot be read
// (the rows are all written first), 2 when the trust roots cannot be read.
int RunLoadLists(const ScanOptions& options, std::FILE* out, std::FILE* err);
