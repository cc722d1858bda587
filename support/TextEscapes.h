// How a text is written into the output formats: a JSON string literal and
// a csv field. Shared by every writer of rows (scans, load lists,
// comparisons).
#pragma once

#include <string>

namespace support {

// A JSON string literal of UTF-8 text; bytes that are not valid UTF-8
// become \udcXX escapes so that nothing is lost.
std::string JsonString(const std::string& utf8);
// A csv field, quoted when it holds a comma, quote, CR or LF; a text that
// begins with '=', '+', '-', '@', a tab or a CR gets a leading "'" first, as
// spreadsheet exporters write it, so that no spreadsheet runs it as a formula.
std::string CsvField(const std::string& text);

}  // namespace support
