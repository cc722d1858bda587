// Text forms of result rows: tsv (the window's export text), csv and jsonl.
#pragma once

#include <string>
#include <vector>

#include "cli/Fields.h"

#include "cli/ScanOptions.h"
#include "engine/RowCells.h"

// Which facts a row shows, in which order, and whether tsv has a heading.
struct RowLayout {
    RowLayout(std::vector<Field> chosen, bool heading);
    // The window's six columns, under the window's headings.
    static RowLayout WindowColumns(bool heading = false);

    std::vector<Field> fields;
    bool namedFields;
    bool tsvHeading;
};

// The text that goes before the first row (csv's heading, tsv's when
// asked), if any.
std::string FormatHeading(OutputFormat format, const RowLayout& layout = RowLayout::WindowColumns());
// One row: the column fields from the row's cells, the others from its extra
// facts, which hold the layout's other fields in their order.
std::string FormatRow(const dllVersionInfo& row, OutputFormat format,
                      const RowLayout& layout = RowLayout::WindowColumns());
