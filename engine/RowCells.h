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

// A cell of the tab-separated text (the window's export, the console's
// tsv): a tab, CR or LF inside it is written as a space, so that every row
// is one line of six cells; a company or a file name may hold any of them.
std::string ExportCellText(std::string cell);

// "Prod Ver", "File Ver", "Date Ver", "Bit", "Company", "Filename".
std::array<std::string, kRowCellCount> RowCells(const dllVersionInfo& row);
