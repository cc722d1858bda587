// The load list as a tree for people, as lddtree draws ELF dependencies:
// each module under the first module that imports it, one line each with
// the name as imported, the rule that found it, the path, the file version
// and the machine; missing modules and passed-over copies stand out. Plain
// text without escape sequences, every line at most `width` columns (the
// middle of a long path gives way first).
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "loader/LoadRow.h"

namespace loader {

// `fileVersions` holds one text per row ("10.0.19041.1"; empty when none or
// unknown) and may be shorter than `rows`. Lines end in "\n".
std::string RenderLoadTree(const std::vector<LoadRow>& rows, const std::vector<std::string>& fileVersions,
                           std::size_t width);
// The same, with `notes` (one per row, may be shorter; empty for none)
// written after each row's line: what a comparison says of it.
std::string RenderLoadTree(const std::vector<LoadRow>& rows, const std::vector<std::string>& fileVersions,
                           const std::vector<std::string>& notes, std::size_t width);

}  // namespace loader
