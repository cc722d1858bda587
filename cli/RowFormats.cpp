#include "cli/RowFormats.h"

#include "platform/NarrowText.h"
#include "support/TerminalText.h"
#include "support/TextEscapes.h"

namespace {

using support::CsvField;
using support::JsonString;

std::string JsonValue(const std::optional<std::string>& value, JsonKind kind, bool toTerminal)
{
    if (!value) return "null";
    if (kind == JsonKind::Json) return toTerminal ? support::MaskedForTerminal(*value, true) : *value;
    if (kind != JsonKind::Text) return *value;
    return JsonString(toTerminal ? support::MaskedForTerminal(*value, true) : *value);
}

}  // namespace

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

RowLayout RowLayout::Of(const ScanOptions& options)
{
    return options.fields.empty() ? WindowColumns(options.tsvHeading) : RowLayout(options.fields, options.tsvHeading);
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

std::string FormatRow(const dllVersionInfo& row, OutputFormat format, const RowLayout& layout,
                      const FieldContext& runContext, bool toTerminal)
{
    // csv and jsonl are UTF-8; tsv is the window's text, in its code page.
    FieldContext context = runContext;
    context.utf8 = format != OutputFormat::Tsv;
    context.jsonl = format == OutputFormat::Jsonl;
    std::string line;
    if (format == OutputFormat::Jsonl) {
        for (std::size_t i = 0; i < layout.fields.size(); ++i) {
            const Field field = layout.fields[i];
            line += (i ? ",\"" : "{\"") + std::string(FieldName(field)) +
                    "\":" + JsonValue(FieldValue(field, row, context), FieldJsonKind(field), toTerminal);
        }
        return line + "}\n";
    }
    std::vector<std::string> texts;
    for (Field field : layout.fields) {
        texts.push_back(CellText(field, row, context));
        if (toTerminal)
            texts.back() = support::MaskedForTerminal(texts.back(), context.utf8 || platform::kNarrowIsUtf8);
    }
    if (format == OutputFormat::Tsv) {
        // By default byte for byte the window's export: every cell followed by a tab.
        for (const std::string& text : texts) line += ExportCellText(text) + '\t';
        return line + "\r\n";
    }
    for (std::size_t i = 0; i < texts.size(); ++i) line += (i ? "," : "") + CsvField(texts[i]);
    return line + "\r\n";
}
