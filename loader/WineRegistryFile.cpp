// system.reg as the wineserver writes it: "[Key\\Path] time" lines, then
// "name"=value lines: "text", str(2):"text" (expandable), dword:hex,
// hex(N):bytes with "\" continuing a line. Only the keys below System are
// kept; the rest of the file is skipped line by line.
#include <cstdio>
#include <fstream>
#include <map>
#include <optional>

#include "loader/SystemRegistry.h"
#include "support/AsciiCase.h"
#include "support/Utf.h"

namespace loader {

namespace {

std::string Upper(std::string text)
{
    for (char& c : text) c = support::ToUpperAscii(c);
    return text;
}

void AppendUtf8(std::string& out, unsigned code)
{
    if (code < 0x80) {
        out.push_back(static_cast<char>(code));
    } else if (code < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (code >> 6)));
        out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xE0 | (code >> 12)));
        out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    }
}

bool IsHexDigit(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// The quoted text starting at `at` (just after its opening quote), its
// escapes undone; `at` ends after the closing quote. Unterminated: none.
std::optional<std::string> Unquote(const std::string& line, std::size_t& at)
{
    std::string text;
    while (at < line.size()) {
        const char c = line[at++];
        if (c == '"') return text;
        if (c != '\\' || at >= line.size()) {
            text.push_back(c);
            continue;
        }
        const char escaped = line[at++];
        switch (escaped) {
        case 'n': text.push_back('\n'); break;
        case 'r': text.push_back('\r'); break;
        case 't': text.push_back('\t'); break;
        case 'x': {
            unsigned code = 0;
            int digits = 0;
            while (digits < 4 && at < line.size() && IsHexDigit(line[at])) {
                code = code * 16 + static_cast<unsigned>(std::stoi(line.substr(at++, 1), nullptr, 16));
                ++digits;
            }
            AppendUtf8(text, code);
            break;
        }
        default:
            if (escaped >= '0' && escaped <= '7') {
                unsigned code = static_cast<unsigned>(escaped - '0');
                for (int digits = 1; digits < 3 && at < line.size() && line[at] >= '0' && line[at] <= '7'; ++digits) {
                    code = code * 8 + static_cast<unsigned>(line[at++] - '0');
                }
                AppendUtf8(text, code);
            } else {
                text.push_back(escaped);
            }
        }
    }
    return std::nullopt;
}

// "hex(N):41,00,42,00" bytes as UTF-16 text up to its first NUL.
std::string TextOfUtf16Bytes(const std::string& list)
{
    std::u16string units;
    unsigned byte = 0, count = 0, low = 0;
    std::size_t at = 0;
    while (at < list.size()) {
        if (!IsHexDigit(list[at])) {
            ++at;
            continue;
        }
        std::size_t end = at;
        while (end < list.size() && IsHexDigit(list[end])) ++end;
        byte = static_cast<unsigned>(std::stoul(list.substr(at, std::min<std::size_t>(end - at, 2)), nullptr, 16));
        at = end;
        if (count++ % 2 == 0) {
            low = byte;
            continue;
        }
        const auto unit = static_cast<char16_t>(low | (byte << 8));
        if (unit == 0) break;
        units.push_back(unit);
    }
    return support::Utf8FromUtf16(units.c_str());
}

class WineRegistryFile : public SystemRegistry {
public:
    explicit WineRegistryFile(std::string path) : m_path(std::move(path)) {}

    bool Load()
    {
        // A prefix's system.reg runs to megabytes: read in large pieces.
        std::vector<char> buffer(1 << 20);
        std::ifstream in;
        in.rdbuf()->pubsetbuf(buffer.data(), static_cast<std::streamsize>(buffer.size()));
        in.open(m_path, std::ios::binary);
        if (!in) return false;
        std::string line;
        std::getline(in, line);
        if (line.rfind("WINE REGISTRY Version", 0) != 0) return false;
        std::vector<RegistryValue>* key = nullptr;
        while (std::getline(in, line)) {
            if (!line.empty() && line.back() == '\r') line.pop_back();
            if (line.empty() || line[0] == ';' || line[0] == '#') continue;
            if (line[0] == '[') {
                key = nullptr;
                std::size_t at = 1;
                std::string name;
                while (at < line.size() && line[at] != ']') {
                    if (line[at] == '\\' && at + 1 < line.size() && line[at + 1] == '\\') ++at;
                    name.push_back(line[at++]);
                }
                const std::string upper = Upper(name);
                if (upper.rfind("SYSTEM\\", 0) == 0) key = &m_keys[upper];
                continue;
            }
            if (!key) continue;
            // A value may go on over lines ending in a backslash.
            for (std::string more; !line.empty() && line.back() == '\\' && std::getline(in, more);) {
                line.pop_back();
                line += more;
            }
            ParseValue(line, *key);
        }
        return true;
    }

    std::vector<RegistryValue> Values(const std::string& keyPath) override
    {
        const std::string relative = Upper(keyPath);
        auto found = m_keys.find("SYSTEM\\CURRENTCONTROLSET\\" + relative);
        if (found != m_keys.end()) return found->second;
        const auto select = m_keys.find("SYSTEM\\SELECT");
        if (select == m_keys.end()) return {};
        const RegistryValue* current = FindValue(select->second, "Current");
        if (!current || current->kind != RegistryValue::Kind::Number) return {};
        char set[32];
        std::snprintf(set, sizeof set, "SYSTEM\\CONTROLSET%03u\\", static_cast<unsigned>(current->number));
        found = m_keys.find(set + relative);
        return found != m_keys.end() ? found->second : std::vector<RegistryValue>();
    }

    std::string Source() const override { return m_path; }

private:
    static void ParseValue(const std::string& line, std::vector<RegistryValue>& values)
    {
        RegistryValue value;
        std::size_t at = 0;
        if (line[0] == '@') {
            at = 1;
        } else if (line[0] == '"') {
            at = 1;
            std::optional<std::string> name = Unquote(line, at);
            if (!name) return;
            value.name = *name;
        } else {
            return;
        }
        if (at >= line.size() || line[at] != '=') return;
        const std::string data = line.substr(at + 1);
        if (!data.empty() && data[0] == '"') {
            std::size_t start = 1;
            std::optional<std::string> text = Unquote(data, start);
            if (!text) return;
            value.kind = RegistryValue::Kind::Text;
            value.text = *text;
        } else if (data.rfind("str(2):\"", 0) == 0) {
            std::size_t start = 8;
            std::optional<std::string> text = Unquote(data, start);
            if (!text) return;
            value.kind = RegistryValue::Kind::ExpandText;
            value.text = *text;
        } else if (data.rfind("dword:", 0) == 0) {
            try {
                value.number = static_cast<std::uint32_t>(std::stoul(data.substr(6), nullptr, 16));
                value.kind = RegistryValue::Kind::Number;
            } catch (const std::exception&) {
                return;
            }
        } else if (data.rfind("hex(2):", 0) == 0 || data.rfind("hex(1):", 0) == 0) {
            value.kind = data[4] == '2' ? RegistryValue::Kind::ExpandText : RegistryValue::Kind::Text;
            value.text = TextOfUtf16Bytes(data.substr(7));
        }
        values.push_back(std::move(value));
    }

    std::string m_path;
    std::map<std::string, std::vector<RegistryValue>> m_keys;
};

}  // namespace

std::unique_ptr<SystemRegistry> OpenWineRegistryFile(const std::string& path)
{
    auto registry = std::make_unique<WineRegistryFile>(path);
    if (!registry->Load()) return nullptr;
    return registry;
}

}  // namespace loader
