// Reads modaris-scan's output back the way another program would, so that a
// test sees whether every row comes back whole.
#pragma once

#include <map>
#include <string>
#include <vector>

using Cells = std::vector<std::string>;

// tsv: lines end in CR LF, every cell is followed by a tab. Only for names
// without tabs or line breaks (tsv keeps those as they are).
std::vector<Cells> ReadTsv(const std::string& text);

// csv as RFC 4180 reads it: quoted fields may hold commas, quotes (doubled)
// and line breaks. The heading is the first record. Sets `error` and stops
// at the first malformed record.
std::vector<Cells> ReadCsv(const std::string& text, std::string& error);

// jsonl: one flat object per line; string values decoded (a \udcXX escape
// stands for the raw byte XX), numbers kept as their text.
std::vector<std::map<std::string, std::string>> ReadJsonl(const std::string& text, std::string& error);
