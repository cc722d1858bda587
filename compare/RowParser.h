// One jsonl line into an InventoryRow, with RapidJSON's event reader: no
// document is built, strings are decoded in the line's own buffer, numbers
// kept as written.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "compare/FieldNames.h"
#include "compare/InventoryRow.h"

namespace compare {

class RowParser {
public:
    // Nested arrays and objects deeper than this are refused; a row has
    // two levels at most.
    static constexpr int kMaxDepth = 64;

    explicit RowParser(FieldNames& names) : m_names(names) {}

    // Parses `line` (changed in place; the byte after it must be writable)
    // into `row`, whose texts then point into the line. False with what is
    // wrong in `error`.
    bool Parse(char* line, std::size_t length, InventoryRow& row, std::string& error);

private:
    friend class RowEvents;

    FieldNames& m_names;
    // The names of the last row by position: rows of one file repeat them,
    // so most names are found without a lookup.
    std::vector<std::string> m_lastNames;
    std::vector<FieldId> m_lastIds;
    // Which field a row had, by the number of the row that had it last.
    std::vector<std::uint64_t> m_seenInRow;
    std::uint64_t m_rowNumber = 0;
};

}  // namespace compare
