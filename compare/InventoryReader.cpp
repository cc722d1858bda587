#include "compare/InventoryReader.h"

#include <cstring>

namespace compare {

namespace {

bool IsBlank(const char* line, std::size_t length)
{
    for (std::size_t i = 0; i < length; ++i) {
        if (line[i] != ' ' && line[i] != '\t' && line[i] != '\r') return false;
    }
    return true;
}

}  // namespace

InventoryReader::InventoryReader(std::FILE* file, std::string label, FieldNames& names)
    : m_lines(file),
      m_parser(names),
      m_label(std::move(label)),
      m_fileName(names.Id("fileName")),
      m_date(names.Id("date")),
      m_importName(names.Id("importName")),
      m_infoLabel(names.Id("infoLabel"))
{
}

InventoryReader::Result InventoryReader::Fail(const std::string& what)
{
    m_problem = m_label + ": line " + std::to_string(m_lines.LineNumber()) + ": " + what;
    return Result::Failed;
}

// The rows --sysinfo puts first carry their label in infoLabel; those of
// releases before it, a label where the versions go and no file: an empty
// date (a found file always has one) or an empty file name.
bool InventoryReader::IsSystemInformation(const InventoryRow& row) const
{
    if (row.HasText(m_infoLabel)) return true;
    if (row.HasText(m_importName)) return false;
    const FieldValue* fileName = row.Find(m_fileName);
    const FieldValue* date = row.Find(m_date);
    const auto emptyText = [](const FieldValue* value) {
        return value && value->kind == ValueKind::String && value->text.empty();
    };
    return emptyText(fileName) || emptyText(date);
}

InventoryReader::Result InventoryReader::Next(InventoryRow& row)
{
    for (;;) {
        char* line = nullptr;
        std::size_t length = 0;
        switch (m_lines.Next(line, length)) {
        case LineReader::Status::End: return Result::End;
        case LineReader::Status::TooLong:
            return Fail("longer than " + std::to_string(LineReader::kMaxLineLength >> 20) +
                        " MiB: not an inventory of modaris-scan");
        case LineReader::Status::ReadError:
            m_problem = m_label + ": cannot read: " + std::strerror(m_lines.Error());
            return Result::Failed;
        case LineReader::Status::Line: break;
        }
        if (IsBlank(line, length)) continue;
        std::string problem;
        if (!m_parser.Parse(line, length, row, problem)) {
            if (m_lines.LineUnterminated()) {
                m_cutShort = m_label + ": line " + std::to_string(m_lines.LineNumber()) +
                             ": the last line is cut short (" + problem + "); the rows before it are compared";
                return Result::End;
            }
            return Fail(problem);
        }
        if (IsSystemInformation(row)) {
            ++m_systemRows;
            continue;
        }
        return Result::Row;
    }
}

}  // namespace compare
