#include "support/TerminalText.h"

#include <cstdio>

#include "support/Utf.h"

namespace support {

namespace {

bool IsControl(char32_t codePoint)
{
    return codePoint < 0x20 || (codePoint >= 0x7F && codePoint <= 0x9F);
}

// Calls `keep(begin, length)` for each printable character and
// `control(begin, length)` for each control character or byte of no valid
// sequence.
template <class Keep, class Control>
void Walk(const std::string& text, Keep keep, Control control)
{
    for (std::size_t i = 0; i < text.size();) {
        char32_t codePoint = 0;
        const std::size_t length = DecodeUtf8(text.data(), text.size(), i, codePoint);
        if (length == 0 || IsControl(codePoint)) {
            const std::size_t bytes = length == 0 ? 1 : length;
            control(i, bytes);
            i += bytes;
            continue;
        }
        keep(i, length);
        i += length;
    }
}

}  // namespace

std::string EscapedForTerminal(const std::string& text)
{
    std::string out;
    out.reserve(text.size());
    Walk(
        text,
        [&](std::size_t begin, std::size_t length) {
            if (length == 1 && text[begin] == '\\') out += '\\';
            out.append(text, begin, length);
        },
        [&](std::size_t begin, std::size_t length) {
            // A C1 control is two bytes in UTF-8: each is shown.
            for (std::size_t k = 0; k < length; ++k) {
                char escape[8];
                std::snprintf(escape, sizeof escape, "\\x%02x", static_cast<unsigned char>(text[begin + k]));
                out += escape;
            }
        });
    return out;
}

std::string MaskedForTerminal(const std::string& text, bool utf8)
{
    std::string out;
    out.reserve(text.size());
    if (!utf8) {
        for (const char c : text) {
            const auto byte = static_cast<unsigned char>(c);
            out += byte < 0x20 || byte == 0x7F ? '?' : c;
        }
        return out;
    }
    Walk(
        text, [&](std::size_t begin, std::size_t length) { out.append(text, begin, length); },
        [&](std::size_t, std::size_t) { out += '?'; });
    return out;
}

std::string ShortenMiddle(const std::string& text, std::size_t width)
{
    if (text.size() <= width) return text;
    const std::string ellipsis = "...";
    if (width <= ellipsis.size()) return ellipsis.substr(0, width);
    const auto continuation = [](char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; };
    const std::size_t room = width - ellipsis.size();
    std::size_t head = room / 3;
    std::size_t tail = text.size() - (room - head);
    while (head > 0 && continuation(text[head])) --head;
    while (tail < text.size() && continuation(text[tail])) ++tail;
    return text.substr(0, head) + ellipsis + text.substr(tail);
}

}  // namespace support
