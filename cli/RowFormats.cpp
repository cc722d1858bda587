#include "cli/RowFormats.h"

#include <cstdio>

#include "support/TextEscapes.h"

#ifdef _WIN32
#include <vector>

#include "platform/win32.h"
#endif

namespace {

// Row texts are in the system's narrow code page: UTF-8 on POSIX already,
// the ANSI code page on Windows.
std::string ToUtf8(const char* text)
{
#ifdef _WIN32
    const int wideLength = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
    if (wideLength <= 1) return std::string();
    std::vector<wchar_t> wide(static_cast<std::size_t>(wideLength));
    MultiByteToWideChar(CP_ACP, 0, text, -1, wide.data(), wideLength);
    const int length = WideCharToMultiByte(CP_UTF8, 0, wide.data(), -1, nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), -1, &utf8[0], length, nullptr, nullptr);
    utf8.resize(static_cast<std::size_t>(length - 1));
    return utf8;
#else
    return text;
#endif
}

}  // namespace

using support::CsvField;
using support::JsonString;

RowLayout::RowLayout(std::vector<Field> chosen, bool heading)
    : fields(std::move(chosen)), namedFields(true), tsvHeading(heading)
{
}

RowLayout RowLayout::WindowColumns(bool heading)
{
    RowLayout layout(ColumnFields(), heading);
    layout.namedFields = false;
    return layout;
}

std::string FormatHeading(OutputFormat format, const RowLayout& layout)
{
    if (format == OutputFormat::Jsonl || (format == OutputFormat::Tsv && !layout.tsvHeading)) return std::string();
    std::string heading;
    for (std::size_t i = 0; i < layout.fields.size(); ++i) {
        // The window's headings unless fields were named: those names are
        // what a script asked for.
        const char* name = layout.namedFields ? FieldName(layout.fields[i]) : kColumnHeadings[i];
        if (format == OutputFormat::Tsv) {
            heading += std::string(name) + '\t';
        } else {
            heading += (i ? "," : "") + CsvField(name);
        }
    }
    return heading + "\r\n";
}

namespace {

// The value of each field of the layout, in its order; none where it could
// not be read. Unknown bitness has no number.
std::vector<std::optional<std::string>> FieldValues(const dllVersionInfo& row, const RowLayout& layout)
{
    const auto cells = RowCells(row);
    const ExtraFactValues& facts = row.GetExtraFacts();
    std::vector<std::optional<std::string>> values;
    std::size_t nextFact = 0;
    for (Field field : layout.fields) {
        if (IsColumnField(field)) {
            const std::string& cell = cells[static_cast<int>(field)];
            values.push_back(field == Field::Bits && cell.empty() ? std::nullopt : std::optional<std::string>(cell));
        } else {
            values.push_back(nextFact < facts.size() ? facts[nextFact] : std::nullopt);
            ++nextFact;
        }
    }
    return values;
}

std::string JsonValue(const std::optional<std::string>& value, JsonKind kind)
{
    if (!value) return "null";
    return kind == JsonKind::Text ? JsonString(ToUtf8(value->c_str())) : *value;
}

}  // namespace

std::string FormatRow(const dllVersionInfo& row, OutputFormat format, const RowLayout& layout)
{
    const std::vector<std::optional<std::string>> values = FieldValues(row, layout);
    std::string line;
    switch (format) {
    case OutputFormat::Tsv:
        // By default byte for byte the window's export: every cell followed by a tab.
        for (const auto& value : values) line += value.value_or("") + '\t';
        return line + "\r\n";
    case OutputFormat::Csv:
        for (std::size_t i = 0; i < values.size(); ++i) line += (i ? "," : "") + CsvField(values[i].value_or(""));
        return line + "\r\n";
    case OutputFormat::Jsonl:
        for (std::size_t i = 0; i < values.size(); ++i) {
            const Field field = layout.fields[i];
            line += (i ? ",\"" : "{\"") + std::string(FieldName(field)) + "\":" + JsonValue(values[i], FieldJsonKind(field));
        }
        return line + "}\n";
    }
    return line;
}
