// --compare --tree of two load lists: the tree of NEW, each line whose copy
// differs from OLD's marked with the old one beside it, and OLD's modules
// that NEW no longer loads named after each program's tree.
#pragma once

#include <cstdio>

#include "cli/ScanOptions.h"

// The exit status as diff's: 0 nothing differs, 1 something does, 2 for
// trouble (a file that is no load list, or none of modaris jsonl).
int RunCompareTree(const ScanOptions& options, std::FILE* in, std::FILE* out, std::FILE* err);
