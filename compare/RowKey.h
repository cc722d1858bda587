// What matches a row of one inventory with a row of the other. Every key
// ignores ASCII case and tells '\' and '/' (and runs of them) apart from
// nothing, so the scans of two machines, two mounts or the two builds match.
#pragma once

#include <string>
#include <vector>

#include "compare/FieldNames.h"
#include "compare/InventoryRow.h"

namespace compare {

enum class KeyKind {
    // A scan's copy by its path under foundUnder, where the walk started.
    RelativePath,
    // A scan's copy by its whole path (fileName), for files without
    // foundUnder.
    FullPath,
    // A load list's row by the program's file name and the import's name.
    LoadList,
    // The values of fields the user named (--key).
    Fields,
};

// One part of a key as the output shows it: the row's own value.
struct KeyPart {
    ValueKind kind;
    std::string text;
};

class RowKey {
public:
    RowKey(KeyKind kind, FieldNames& names, const std::vector<std::string>& fieldNames = {});

    KeyKind Kind() const { return m_kind; }

    // The key of `row` into `key`, the text that matches; false with what is
    // missing in `problem`. `fellBack` is set when a row of RelativePath
    // lies outside its foundUnder, or has none, and is keyed by its whole
    // path.
    bool Build(const InventoryRow& row, std::string& key, std::string& problem, bool& fellBack) const;
    // The key's parts as the row writes them (paths with '/' alone), one
    // for each of ColumnNames(). The row must have given a key.
    std::vector<KeyPart> Shown(const InventoryRow& row) const;
    // The names of the key's columns in the output.
    std::vector<std::string> ColumnNames() const;
    // The fields the key stands for, whose values therefore match already.
    const std::vector<FieldId>& OwnFields() const { return m_own; }

private:
    // The path of a RelativePath or FullPath key: the part of the
    // separator-folded fileName after its foundUnder, or all of it.
    bool PathPart(const InventoryRow& row, std::string& path, std::size_t& start, std::string& problem,
                  bool& fellBack) const;

    KeyKind m_kind;
    FieldNames& m_names;
    std::vector<FieldId> m_fields;
    std::vector<FieldId> m_own;
    FieldId m_fileName;
    FieldId m_foundUnder;
    FieldId m_program;
    FieldId m_importName;
};

// `text` with '\' as '/' and each run of separators as one; ASCII letters
// lower-cased when `foldCase`.
std::string FoldSeparators(std::string_view text, bool foldCase);

}  // namespace compare
