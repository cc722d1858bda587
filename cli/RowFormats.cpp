#include "cli/RowFormats.h"

#include <cstdio>

#include "support/Utf.h"

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

std::string JsonString(const std::string& text)
{
    std::string out = "\"";
    char escape[8];
    for (std::size_t i = 0; i < text.size();) {
        const auto c = static_cast<unsigned char>(text[i]);
        char32_t codePoint = 0;
        const std::size_t length = support::DecodeUtf8(text.data(), text.size(), i, codePoint);
        if (length == 0) {
            std::snprintf(escape, sizeof escape, "\\udc%02x", c);
            out += escape;
            ++i;
            continue;
        }
        if (length > 1) {
            out.append(text, i, length);
        } else if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\r') {
            out += "\\r";
        } else if (c == '\t') {
            out += "\\t";
        } else if (c < 0x20 || c == 0x7F) {
            std::snprintf(escape, sizeof escape, "\\u%04x", c);
            out += escape;
        } else {
            out += static_cast<char>(c);
        }
        i += length;
    }
    return out + "\"";
}

std::string CsvField(const std::string& text)
{
    if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
    std::string out = "\"";
    for (char c : text) {
        if (c == '"') out += '"';
        out += c;
    }
    return out + "\"";
}

std::string FormatHeading(OutputFormat format)
{
    if (format != OutputFormat::Csv) return std::string();
    std::string heading;
    for (int i = 0; i < kRowCellCount; ++i) heading += (i ? "," : "") + std::string(kColumnHeadings[i]);
    return heading + "\r\n";
}

std::string FormatRow(const dllVersionInfo& row, OutputFormat format)
{
    const auto cells = RowCells(row);
    std::string line;
    switch (format) {
    case OutputFormat::Tsv:
        // Byte for byte the window's export: every cell followed by a tab.
        for (const std::string& cell : cells) line += cell + '\t';
        return line + "\r\n";
    case OutputFormat::Csv:
        for (int i = 0; i < kRowCellCount; ++i) line += (i ? "," : "") + CsvField(cells[i]);
        return line + "\r\n";
    case OutputFormat::Jsonl:
        return "{\"productVersion\":" + JsonString(ToUtf8(row.GetProductVersion())) +
               ",\"fileVersion\":" + JsonString(ToUtf8(row.GetFileVersion())) +
               ",\"date\":" + JsonString(ToUtf8(row.GetDate())) + ",\"bits\":" + std::to_string(row.GetBits()) +
               ",\"company\":" + JsonString(ToUtf8(row.GetCompany())) +
               ",\"fileName\":" + JsonString(ToUtf8(row.GetFileName())) + "}\n";
    }
    return line;
}
