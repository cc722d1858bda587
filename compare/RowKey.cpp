#include "compare/RowKey.h"

#include <cstdint>

#include "support/AsciiCase.h"

namespace compare {

std::string FoldSeparators(std::string_view text, bool foldCase)
{
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        if (c == '\\' || c == '/') {
            if (out.empty() || out.back() != '/') out += '/';
        } else {
            out += foldCase ? support::ToLowerAscii(c) : c;
        }
    }
    return out;
}

namespace {

// One part of a key of several: its kind and length first, so that no two
// different lists of values give the same text.
void AppendPart(std::string& key, ValueKind kind, std::string_view folded)
{
    key += static_cast<char>(kind);
    const auto length = static_cast<std::uint32_t>(folded.size());
    for (int shift = 0; shift < 32; shift += 8) key += static_cast<char>((length >> shift) & 0xFF);
    key.append(folded.data(), folded.size());
}

// The file name at the end of a path of either kind of separator.
std::string_view BaseName(std::string_view path)
{
    const std::size_t slash = path.find_last_of("\\/");
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

}  // namespace

RowKey::RowKey(KeyKind kind, FieldNames& names, const std::vector<std::string>& fieldNames)
    : m_kind(kind),
      m_names(names),
      m_fileName(names.Id("fileName")),
      m_foundUnder(names.Id("foundUnder")),
      m_program(names.Id("program")),
      m_importName(names.Id("importName"))
{
    for (const std::string& name : fieldNames) m_fields.push_back(names.Id(name));
    switch (kind) {
    case KeyKind::RelativePath: m_own = {m_fileName, m_foundUnder}; break;
    case KeyKind::FullPath: m_own = {m_fileName}; break;
    case KeyKind::LoadList: m_own = {m_program, m_importName}; break;
    case KeyKind::Fields: m_own = m_fields; break;
    }
}

std::vector<std::string> RowKey::ColumnNames() const
{
    switch (m_kind) {
    case KeyKind::RelativePath:
    case KeyKind::FullPath: return {"key"};
    case KeyKind::LoadList: return {"program", "importName"};
    case KeyKind::Fields: break;
    }
    std::vector<std::string> columns;
    for (FieldId field : m_fields) columns.push_back(m_names.Name(field));
    return columns;
}

bool RowKey::PathPart(const InventoryRow& row, std::string& path, std::size_t& start, std::string& problem,
                      bool& fellBack) const
{
    const FieldValue* fileName = row.Find(m_fileName);
    if (!fileName || fileName->kind != ValueKind::String || fileName->text.empty()) {
        problem = std::string(fileName ? "fileName is not a path" : "no fileName") +
                  ": name the fields that match rows with --key";
        return false;
    }
    path = FoldSeparators(fileName->text, true);
    start = 0;
    fellBack = false;
    if (m_kind != KeyKind::RelativePath) return true;
    const std::string_view foundUnder = row.Text(m_foundUnder);
    std::string under = FoldSeparators(foundUnder, true);
    if (!under.empty() && under.back() == '/') under.pop_back();
    const bool inside = !foundUnder.empty() && path.size() > under.size() + 1 &&
                        path.compare(0, under.size(), under) == 0 && path[under.size()] == '/';
    if (inside) {
        start = under.size() + 1;
    } else {
        fellBack = true;
    }
    return true;
}

bool RowKey::Build(const InventoryRow& row, std::string& key, std::string& problem, bool& fellBack) const
{
    key.clear();
    fellBack = false;
    switch (m_kind) {
    case KeyKind::RelativePath:
    case KeyKind::FullPath: {
        std::string path;
        std::size_t start = 0;
        if (!PathPart(row, path, start, problem, fellBack)) return false;
        key.assign(path, start, std::string::npos);
        return true;
    }
    case KeyKind::LoadList: {
        const FieldValue* program = row.Find(m_program);
        const FieldValue* importName = row.Find(m_importName);
        if (!program || program->kind != ValueKind::String || !importName || importName->kind != ValueKind::String) {
            problem = "a row of a load list needs program and importName as texts";
            return false;
        }
        AppendPart(key, ValueKind::String, FoldSeparators(BaseName(program->text), true));
        AppendPart(key, ValueKind::String, FoldSeparators(importName->text, true));
        return true;
    }
    case KeyKind::Fields:
        for (FieldId field : m_fields) {
            const FieldValue* value = row.Find(field);
            if (!value) {
                problem = "no field '" + m_names.Name(field) + "' (named in --key)";
                return false;
            }
            AppendPart(key, value->kind, FoldSeparators(value->text, true));
        }
        return true;
    }
    return false;
}

std::vector<KeyPart> RowKey::Shown(const InventoryRow& row) const
{
    switch (m_kind) {
    case KeyKind::RelativePath:
    case KeyKind::FullPath: {
        std::string folded;
        std::size_t start = 0;
        std::string problem;
        bool fellBack = false;
        PathPart(row, folded, start, problem, fellBack);
        // Folding case keeps every byte's place, so the same start holds
        // for the path as written.
        return {{ValueKind::String, FoldSeparators(row.Text(m_fileName), false).substr(start)}};
    }
    case KeyKind::LoadList:
        return {{ValueKind::String, std::string(BaseName(row.Text(m_program)))},
                {ValueKind::String, std::string(row.Text(m_importName))}};
    case KeyKind::Fields: break;
    }
    std::vector<KeyPart> parts;
    for (FieldId field : m_fields) {
        const FieldValue* value = row.Find(field);
        parts.push_back(value ? KeyPart{value->kind, std::string(value->text)} : KeyPart{ValueKind::Null, ""});
    }
    return parts;
}

}  // namespace compare
