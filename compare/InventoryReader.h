// The rows of one inventory file, in order: blank lines and the rows of
// system information (--sysinfo, which name no file) left out, every other
// line a JSON object or a problem named with its line number.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

#include "compare/FieldNames.h"
#include "compare/InventoryRow.h"
#include "compare/LineReader.h"
#include "compare/RowParser.h"

namespace compare {

class InventoryReader {
public:
    enum class Result {
        Row,
        End,
        Failed
    };

    // `label` names the file in messages: its path, or "standard input".
    InventoryReader(std::FILE* file, std::string label, FieldNames& names);

    // The next row. At Failed, Problem() says what is wrong, with the line.
    // A last line cut short (no line end, not a whole object) ends the rows
    // instead, and CutShortProblem() says so.
    Result Next(InventoryRow& row);

    std::uint64_t Line() const { return m_lines.LineNumber(); }
    const std::string& Label() const { return m_label; }
    const std::string& Problem() const { return m_problem; }
    const std::string& CutShortProblem() const { return m_cutShort; }
    std::uint64_t SystemInformationRows() const { return m_systemRows; }
    std::uint64_t BytesRead() const { return m_lines.BytesRead(); }

private:
    bool IsSystemInformation(const InventoryRow& row) const;
    Result Fail(const std::string& what);

    LineReader m_lines;
    RowParser m_parser;
    std::string m_label;
    FieldId m_fileName;
    FieldId m_date;
    FieldId m_importName;
    FieldId m_infoLabel;
    std::string m_problem;
    std::string m_cutShort;
    std::uint64_t m_systemRows = 0;
};

}  // namespace compare
