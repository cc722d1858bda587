#include "compare/DifferenceWriter.h"

#include <cerrno>

#include "support/TextEscapes.h"

namespace compare {

std::string JsonValue(ValueKind kind, std::string_view text)
{
    switch (kind) {
    case ValueKind::Null: return "null";
    case ValueKind::String: return support::JsonString(std::string(text));
    default: return std::string(text);
    }
}

std::string CellText(ValueKind kind, std::string_view text)
{
    return kind == ValueKind::Null ? std::string() : std::string(text);
}

namespace {

// A tsv cell ends at a tab and a line at CR LF: inside a value they are
// written as \t, \r and \n, so that every difference stays one line.
std::string TsvCell(const std::string& text)
{
    if (text.find_first_of("\t\r\n") == std::string::npos) return text;
    std::string out;
    for (char c : text) {
        if (c == '\t') out += "\\t";
        else if (c == '\r') out += "\\r";
        else if (c == '\n') out += "\\n";
        else out += c;
    }
    return out;
}

}  // namespace

DifferenceWriter::DifferenceWriter(std::FILE* out, CompareFormat format, bool tsvHeading,
                                   std::vector<std::string> keyColumns, const FieldNames& names)
    : m_out(out), m_format(format), m_tsvHeading(tsvHeading), m_keyColumns(std::move(keyColumns)), m_names(names)
{
}

bool DifferenceWriter::Write(const std::string& text)
{
    if (m_failed) return false;
    if (std::fwrite(text.data(), 1, text.size(), m_out) != text.size()) {
        m_failed = true;
        m_error = errno ? errno : EIO;
    }
    return !m_failed;
}

bool DifferenceWriter::Flush()
{
    if (!m_failed && std::fflush(m_out) != 0) {
        m_failed = true;
        m_error = errno ? errno : EIO;
    }
    return !m_failed;
}

bool DifferenceWriter::Heading()
{
    if (m_format == CompareFormat::Jsonl || (m_format == CompareFormat::Tsv && !m_tsvHeading)) return true;
    std::vector<std::string> names = {"change"};
    names.insert(names.end(), m_keyColumns.begin(), m_keyColumns.end());
    names.insert(names.end(), {"field", "old", "new"});
    std::string line;
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (m_format == CompareFormat::Tsv) {
            line += TsvCell(names[i]) + '\t';
        } else {
            line += (i ? "," : "") + support::CsvField(names[i]);
        }
    }
    return Write(line + "\r\n");
}

std::string DifferenceWriter::Cells(const char* change, const std::vector<KeyPart>& key, const std::string* field,
                                    const FieldValue* oldValue, const FieldValue* newValue) const
{
    std::vector<std::string> cells = {change};
    for (const KeyPart& part : key) cells.push_back(CellText(part.kind, part.text));
    cells.push_back(field ? *field : std::string());
    cells.push_back(oldValue ? CellText(oldValue->kind, oldValue->text) : std::string());
    cells.push_back(newValue ? CellText(newValue->kind, newValue->text) : std::string());
    std::string line;
    for (std::size_t i = 0; i < cells.size(); ++i) {
        if (m_format == CompareFormat::Tsv) {
            line += TsvCell(cells[i]) + '\t';
        } else {
            line += (i ? "," : "") + support::CsvField(cells[i]);
        }
    }
    return line + "\r\n";
}

std::string DifferenceWriter::JsonStart(const char* change, const std::vector<KeyPart>& key) const
{
    std::string line = std::string("{\"change\":\"") + change + '"';
    for (std::size_t i = 0; i < key.size() && i < m_keyColumns.size(); ++i) {
        line += ',' + support::JsonString(m_keyColumns[i]) + ':' + JsonValue(key[i].kind, key[i].text);
    }
    return line;
}

bool DifferenceWriter::Whole(const char* change, const std::vector<KeyPart>& key)
{
    if (m_format == CompareFormat::Jsonl) return Write(JsonStart(change, key) + "}\n");
    return Write(Cells(change, key, nullptr, nullptr, nullptr));
}

bool DifferenceWriter::Changed(const std::vector<KeyPart>& key, const std::vector<FieldChange>& changes)
{
    if (m_format != CompareFormat::Jsonl) {
        std::string lines;
        for (const FieldChange& change : changes) {
            lines += Cells("changed", key, &m_names.Name(change.field), &change.oldValue, &change.newValue);
        }
        return Write(lines);
    }
    std::string line = JsonStart("changed", key) + ",\"fields\":{";
    for (std::size_t i = 0; i < changes.size(); ++i) {
        const FieldChange& change = changes[i];
        line += (i ? "," : "") + support::JsonString(m_names.Name(change.field)) +
                ":{\"old\":" + JsonValue(change.oldValue.kind, change.oldValue.text) +
                ",\"new\":" + JsonValue(change.newValue.kind, change.newValue.text) + '}';
    }
    return Write(line + "}}\n");
}

}  // namespace compare
