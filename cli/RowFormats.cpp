#include "cli/RowFormats.h"

#include <cstdio>

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

// Length of the valid UTF-8 sequence at `i`, or 0.
std::size_t Utf8SequenceLength(const std::string& text, std::size_t i)
{
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
    const unsigned char lead = byte(i);
    std::size_t length = 0;
    uint32_t minimum = 0;
    uint32_t code = 0;
    if (lead < 0x80) return 1;
    if (lead >= 0xC2 && lead <= 0xDF) length = 2, minimum = 0x80, code = lead & 0x1F;
    else if (lead >= 0xE0 && lead <= 0xEF) length = 3, minimum = 0x800, code = lead & 0x0F;
    else if (lead >= 0xF0 && lead <= 0xF4) length = 4, minimum = 0x10000, code = lead & 0x07;
    else return 0;
    if (i + length > text.size()) return 0;
    for (std::size_t k = 1; k < length; ++k) {
        if ((byte(i + k) & 0xC0) != 0x80) return 0;
        code = code << 6 | (byte(i + k) & 0x3F);
    }
    if (code < minimum || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return 0;
    return length;
}

}  // namespace

std::string BitCell(int bits) { return bits > 0 ? std::to_string(bits) : std::string(); }

std::string JsonString(const std::string& text)
{
    std::string out = "\"";
    char escape[8];
    for (std::size_t i = 0; i < text.size();) {
        const auto c = static_cast<unsigned char>(text[i]);
        const std::size_t length = Utf8SequenceLength(text, i);
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
    return "Prod Ver,File Ver,Date Ver,Bit,Company,Filename\r\n";
}

std::string FormatRow(const dllVersionInfo& row, OutputFormat format)
{
    const std::string cells[6] = {row.GetProductVersion(), row.GetFileVersion(), row.GetDate(),
                                  BitCell(row.GetBits()), row.GetCompany(), row.GetFileName()};
    std::string line;
    switch (format) {
    case OutputFormat::Tsv:
        // Byte for byte the window's export: every cell followed by a tab.
        for (const std::string& cell : cells) line += cell + '\t';
        return line + "\r\n";
    case OutputFormat::Csv:
        for (int i = 0; i < 6; ++i) line += (i ? "," : "") + CsvField(cells[i]);
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
