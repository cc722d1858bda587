// The cells of a result row in column order, and the columns' headings: what
// the window's list, its exports, the console formats and the tests show.
#pragma once

#include <array>
#include <string>

#include "engine/dllVersionInfo.h"

constexpr int kRowCellCount = 6;

extern const std::array<const char*, kRowCellCount> kColumnHeadings;

// The "Bit" cell: the number when positive, else empty.
std::string BitCell(int bits);

// "Prod Ver", "File Ver", "Date Ver", "Bit", "Company", "Filename".
std::array<std::string, kRowCellCount> RowCells(const dllVersionInfo& row);
