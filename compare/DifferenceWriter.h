// The differences in the scanner's formats. tsv and csv have the columns
// change, the key's columns, field, old, new: an added or removed row is one
// line with the last three empty, a changed row one line for each field that
// differs. jsonl has one object per row: {"change":..., the key's columns,
// "fields":{"name":{"old":...,"new":...}}} for a changed one.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "compare/CompareFormat.h"
#include "compare/FieldNames.h"
#include "compare/InventoryRow.h"
#include "compare/RowKey.h"

namespace compare {

struct FieldChange {
    FieldId field;
    FieldValue oldValue;
    FieldValue newValue;
};

class DifferenceWriter {
public:
    DifferenceWriter(std::FILE* out, CompareFormat format, bool tsvHeading, std::vector<std::string> keyColumns,
                     const FieldNames& names);

    // Each returns false once writing failed.
    bool Heading();
    bool Added(const std::vector<KeyPart>& key) { return Whole("added", key); }
    bool Removed(const std::vector<KeyPart>& key) { return Whole("removed", key); }
    bool Changed(const std::vector<KeyPart>& key, const std::vector<FieldChange>& changes);
    bool Flush();

    // errno of the failed write.
    int Error() const { return m_error; }

private:
    bool Whole(const char* change, const std::vector<KeyPart>& key);
    std::string Cells(const char* change, const std::vector<KeyPart>& key, const std::string* field,
                      const FieldValue* oldValue, const FieldValue* newValue) const;
    std::string JsonStart(const char* change, const std::vector<KeyPart>& key) const;
    bool Write(const std::string& text);

    std::FILE* m_out;
    CompareFormat m_format;
    bool m_tsvHeading;
    std::vector<std::string> m_keyColumns;
    const FieldNames& m_names;
    bool m_failed = false;
    int m_error = 0;
};

// A value as a JSON value: strings escaped, the rest as read.
std::string JsonValue(ValueKind kind, std::string_view text);
// A value as a cell of tsv or csv: null empty, the rest as text.
std::string CellText(ValueKind kind, std::string_view text);

}  // namespace compare
