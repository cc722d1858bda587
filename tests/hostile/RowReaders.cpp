#include "RowReaders.h"

#include <cstdlib>

std::vector<Cells> ReadTsv(const std::string& text)
{
    std::vector<Cells> rows;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find("\r\n", start);
        if (end == std::string::npos) end = text.size();
        Cells cells;
        std::size_t cell = start;
        for (std::size_t tab; (tab = text.find('\t', cell)) != std::string::npos && tab < end; cell = tab + 1) {
            cells.push_back(text.substr(cell, tab - cell));
        }
        if (cell != end) cells.push_back(text.substr(cell, end - cell));  // a cell without its tab
        rows.push_back(cells);
        start = end + 2;
    }
    return rows;
}

std::vector<Cells> ReadCsv(const std::string& text, std::string& error)
{
    std::vector<Cells> rows;
    Cells row;
    std::string field;
    std::size_t i = 0;
    while (i < text.size()) {
        if (text[i] == '"') {
            for (++i;; ++i) {
                if (i >= text.size()) {
                    error = "unterminated quoted field in record " + std::to_string(rows.size() + 1);
                    return rows;
                }
                if (text[i] != '"') {
                    field += text[i];
                } else if (i + 1 < text.size() && text[i + 1] == '"') {
                    field += '"';
                    ++i;
                } else {
                    ++i;
                    break;
                }
            }
        } else {
            while (i < text.size() && text[i] != ',' && text[i] != '\r' && text[i] != '\n') field += text[i++];
        }
        if (i < text.size() && text[i] == ',') {
            row.push_back(field);
            field.clear();
            ++i;
            continue;
        }
        if (i < text.size() && text[i] == '\r') ++i;
        if (i < text.size() && text[i] != '\n') {
            error = "stray text after a quoted field in record " + std::to_string(rows.size() + 1);
            return rows;
        }
        ++i;
        row.push_back(field);
        field.clear();
        rows.push_back(row);
        row.clear();
    }
    return rows;
}

namespace {

void AppendUtf8(std::string& out, unsigned long code)
{
    const int extra = code < 0x80 ? 0 : code < 0x800 ? 1 : code < 0x10000 ? 2 : 3;
    static const unsigned char kLead[] = {0x00, 0xC0, 0xE0, 0xF0};
    out += static_cast<char>(kLead[extra] | (code >> (6 * extra)));
    for (int k = extra - 1; k >= 0; --k) out += static_cast<char>(0x80 | ((code >> (6 * k)) & 0x3F));
}

// One line of jsonl, read strictly: a flat object of strings and numbers.
class JsonLine {
public:
    explicit JsonLine(const std::string& line) : m_text(line) {}

    bool ReadObject(std::map<std::string, std::string>& object)
    {
        if (!Take('{')) return Fail("no opening brace");
        do {
            std::string key;
            std::string value;
            if (!ReadString(key) || !Take(':')) return Fail("bad key");
            if (Peek() == '"') {
                if (!ReadString(value)) return false;
            } else {
                while (m_at < m_text.size() && m_text[m_at] != ',' && m_text[m_at] != '}') value += m_text[m_at++];
                if (value.empty()) return Fail("empty value of " + key);
            }
            object[key] = value;
        } while (Take(','));
        if (!Take('}')) return Fail("no comma or closing brace");
        return m_at == m_text.size() || Fail("text after the object");
    }

    const std::string& Error() const { return m_error; }

private:
    char Peek() const { return m_at < m_text.size() ? m_text[m_at] : '\0'; }
    bool Take(char c) { return Peek() == c && (++m_at, true); }
    bool Fail(const std::string& why)
    {
        if (m_error.empty()) m_error = why + " at byte " + std::to_string(m_at);
        return false;
    }
    bool ReadHex4(unsigned long& code)
    {
        const std::string digits = m_text.substr(m_at, 4);
        char* end = nullptr;
        code = std::strtoul(digits.c_str(), &end, 16);
        m_at += 4;
        return (digits.size() == 4 && end == digits.c_str() + 4) || Fail("bad \\u escape");
    }
    bool ReadString(std::string& out)
    {
        static const std::string kEscaped = "\"\\/bfnrt";
        static const std::string kMeant = "\"\\/\b\f\n\r\t";
        if (!Take('"')) return Fail("no string");
        while (m_at < m_text.size()) {
            const auto c = static_cast<unsigned char>(m_text[m_at++]);
            if (c == '"') return true;
            if (c < 0x20) return Fail("raw control byte in a string");
            if (c != '\\') {
                out += static_cast<char>(c);
            } else if (Take('u')) {
                unsigned long code = 0;
                unsigned long low = 0;
                if (!ReadHex4(code)) return false;
                if (code >= 0xDC80 && code <= 0xDCFF) {
                    out += static_cast<char>(code & 0xFF);  // a byte that was not UTF-8
                } else if (code < 0xD800 || code > 0xDBFF) {
                    AppendUtf8(out, code);
                } else if (Take('\\') && Take('u') && ReadHex4(low) && low >= 0xDC00 && low <= 0xDFFF) {
                    AppendUtf8(out, 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00));
                } else {
                    return Fail("lone high surrogate");
                }
            } else {
                const std::size_t escape = kEscaped.find(Peek());
                if (escape == std::string::npos) return Fail("unknown escape");
                out += kMeant[escape];
                ++m_at;
            }
        }
        return Fail("unterminated string");
    }

    const std::string& m_text;
    std::size_t m_at = 0;
    std::string m_error;
};

}  // namespace

std::vector<std::map<std::string, std::string>> ReadJsonl(const std::string& text, std::string& error)
{
    std::vector<std::map<std::string, std::string>> rows;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) {
            error = "last line has no line feed";
            return rows;
        }
        const std::string line = text.substr(start, end - start);
        std::map<std::string, std::string> object;
        JsonLine reader(line);
        if (!reader.ReadObject(object)) {
            error = "line " + std::to_string(rows.size() + 1) + ": " + reader.Error();
            return rows;
        }
        rows.push_back(object);
        start = end + 1;
    }
    return rows;
}
