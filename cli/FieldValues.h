// The value of each field for one row: the window's columns from the row,
// the other facts from the module's facts the row keeps, the rows of
// system information by their label and value.
#pragma once

#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "cli/Fields.h"
#include "engine/ModuleFacts.h"
#include "engine/dllVersionInfo.h"
#include "loader/LoadRow.h"

// What holds for every row of one run.
struct FieldContext {
    std::string host;
    // Texts in UTF-8 (csv, jsonl): on Windows the version strings are then
    // read wide, so that no character the ANSI code page lacks is lost;
    // else in the narrow code page, as the window shows them (tsv).
    bool utf8 = false;
    // The row's place in a load list (--loads); null for a scan's rows.
    const loader::LoadRow* loadRow = nullptr;
    // Values that hold JSON (the shadowed copies) are written as JSON.
    bool jsonl = false;
};

// The value of `field` for `row`; none where the row has no such fact (a
// string the module lacks, a file that could not be read, any module field
// of a row of system information).
std::optional<std::string> FieldValue(Field field, const dllVersionInfo& row, const FieldContext& context);

// A cell of tsv or csv: the window's columns as the window shows them (an
// empty cell, never null, where a fact is missing), the rest as FieldValue.
std::string CellText(Field field, const dllVersionInfo& row, const FieldContext& context);

// What must be read of each module for `fields` (`signatures` checks the
// signature fields; it may be null when none is asked), written as
// `context` says.
InspectionRequest RequestFor(const std::vector<Field>& fields, const platform::SignatureChecker* signatures,
                             const FieldContext& context);

// Whether `fields` asks for a signature field.
bool NeedsSignatures(const std::vector<Field>& fields);

// The checker a run needs: made when a signature field is asked or roots are
// named (so that a wrong path is told at once, even with no such field),
// else null. False when the roots cannot be read; the reason is then told on
// `err`.
bool OpenSignatureChecker(const std::vector<Field>& fields, const std::string& trustRoots, std::FILE* err,
                          std::unique_ptr<platform::SignatureChecker>& checker);

// The computer's name, as the rows of this machine carry it.
std::string HostName();
