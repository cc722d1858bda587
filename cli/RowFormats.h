// Text forms of result rows: tsv (the window's export text), csv and jsonl.
#pragma once

#include <string>

#include "cli/ScanOptions.h"
#include "engine/RowCells.h"

// The text that goes before the first row (the csv heading), if any.
std::string FormatHeading(OutputFormat format);
std::string FormatRow(const dllVersionInfo& row, OutputFormat format);

// A JSON string literal of narrow text; bytes that are not valid UTF-8
// become \udcXX escapes so that nothing is lost.
std::string JsonString(const std::string& utf8);
// A csv field, quoted when it holds a comma, quote, CR or LF.
std::string CsvField(const std::string& text);
