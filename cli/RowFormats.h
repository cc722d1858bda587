// Text forms of result rows: tsv (the window's export text), csv and jsonl.
#pragma once

#include <string>
#include <vector>

#include "cli/FieldValues.h"
#include "cli/Fields.h"
#include "cli/ScanOptions.h"
#include "engine/RowCells.h"

// Which facts a row shows, in which order, and whether tsv has a heading.
struct RowLayout {
    RowLayout(std::vector<Field> chosen, bool heading);
    // The window's six columns, under the window's headings.
    static RowLayout WindowColumns(bool heading = false);
    // What the options ask: their fields, or the window's columns.
    static RowLayout Of(const ScanOptions& options);

    std::vector<Field> fields;
    bool namedFields;
    bool tsvHeading;
};

// The text that goes before the first row (csv's heading, tsv's when
// asked), if any.
std::string FormatHeading(OutputFormat format, const RowLayout& layout = RowLayout::WindowColumns());

// One row. tsv and csv show the window's columns as the window does (an
// empty cell where a fact is missing); jsonl writes null for what the row
// lacks. In tsv a tab, CR or LF inside a cell is written as a space, so a
// row is always one line of the same number of cells. `toTerminal`: control
// characters in the texts are shown as '?'.
std::string FormatRow(const dllVersionInfo& row, OutputFormat format,
                      const RowLayout& layout = RowLayout::WindowColumns(), const FieldContext& context = {},
                      bool toTerminal = false);
