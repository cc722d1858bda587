#include "RowReaders.h"

#include <cstdlib>

std::vector<Cells> ReadTsv(const std::string& text)
{
    std::vector<Cells> rows;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find("\r\n", start);
        if (end == std::string::npos) end = text.size();
        Cells cells;
        std::size_t cell = start;
        for (std::size_t tab; (tab = text.find('\t', cell)) != std::string::npos && tab < end; cell = tab + 1) {
            cells.push_back(text.substr(cell, tab - cell));
        }
        if (cell != end) cells.push_back(text.substr(cell, end - cell));  // a cell without its tab
        rows.push_back(cells);
        start = end + 2;
    }
    return rows;
}
