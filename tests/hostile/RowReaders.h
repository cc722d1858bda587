// Reads modaris-scan's tsv output back into rows of cells.
#pragma once

#include <string>
#include <vector>

using Cells = std::vector<std::string>;

// tsv: lines end in CR LF, every cell is followed by a tab. Only for names
// without tabs or line breaks (tsv keeps those as they are).
std::vector<Cells> ReadTsv(const std::string& text);
