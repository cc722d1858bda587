#include "support/Utf.h"

#include "support/LittleEndian.h"

namespace support {

namespace {

constexpr char32_t kReplacement = 0xFFFD;

std::size_t EncodeUtf8(char32_t cp, char* out)
{
    if (cp < 0x80) {
        out[0] = static_cast<char>(cp);
        return 1;
    }
    if (cp < 0x800) {
        out[0] = static_cast<char>(0xC0 | (cp >> 6));
        out[1] = static_cast<char>(0x80 | (cp & 0x3F));
        return 2;
    }
    if (cp < 0x10000) {
        out[0] = static_cast<char>(0xE0 | (cp >> 12));
        out[1] = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out[2] = static_cast<char>(0x80 | (cp & 0x3F));
        return 3;
    }
    out[0] = static_cast<char>(0xF0 | (cp >> 18));
    out[1] = static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out[2] = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out[3] = static_cast<char>(0x80 | (cp & 0x3F));
    return 4;
}

bool IsHighSurrogate(char32_t unit)
{
    return unit >= 0xD800 && unit < 0xDC00;
}
bool IsLowSurrogate(char32_t unit)
{
    return unit >= 0xDC00 && unit < 0xE000;
}

}  // namespace

std::size_t Utf8FromUtf16Le(const std::uint8_t* source, std::size_t units, char* target, std::size_t capacity)
{
    std::size_t written = 0;
    bool endsWithNul = false;
    for (std::size_t i = 0; i < units;) {
        char32_t cp = ReadU16(source + 2 * i++);
        if (IsHighSurrogate(cp) && i < units && IsLowSurrogate(ReadU16(source + 2 * i))) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (ReadU16(source + 2 * i++) - 0xDC00);
        } else if (IsHighSurrogate(cp) || IsLowSurrogate(cp)) {
            cp = kReplacement;
        }
        char encoded[4];
        const std::size_t length = EncodeUtf8(cp, encoded);
        // Keep one byte free for the terminator unless this is the NUL itself.
        if (written + length + (cp == 0 ? 0 : 1) > capacity) break;
        for (std::size_t k = 0; k < length; ++k) target[written++] = encoded[k];
        endsWithNul = cp == 0;
    }
    if (!endsWithNul) target[written] = '\0';
    return written;
}

std::size_t DecodeUtf8(const char* text, std::size_t length, std::size_t i, char32_t& codePoint)
{
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
    const unsigned char lead = byte(i);
    std::size_t extra = 0;
    char32_t minimum = 0;
    char32_t cp = lead;
    if (lead < 0x80) {
        codePoint = cp;
        return 1;
    }
    if (lead >= 0xC2 && lead <= 0xDF) extra = 1, minimum = 0x80, cp = lead & 0x1F;
    else if (lead >= 0xE0 && lead <= 0xEF) extra = 2, minimum = 0x800, cp = lead & 0x0F;
    else if (lead >= 0xF0 && lead <= 0xF4) extra = 3, minimum = 0x10000, cp = lead & 0x07;
    else return 0;
    if (extra >= length - i) return 0;
    for (std::size_t k = 1; k <= extra; ++k) {
        if ((byte(i + k) & 0xC0) != 0x80) return 0;
        cp = (cp << 6) | (byte(i + k) & 0x3F);
    }
    // Overlong forms, code points past Unicode and surrogates are no text.
    if (cp < minimum || cp > 0x10FFFF || (cp >= 0xD800 && cp < 0xE000)) return 0;
    codePoint = cp;
    return extra + 1;
}

std::u16string Utf16FromUtf8(const char* text, std::size_t length)
{
    std::u16string out;
    for (std::size_t i = 0; i < length;) {
        char32_t cp = kReplacement;
        const std::size_t taken = DecodeUtf8(text, length, i, cp);
        i += taken ? taken : 1;
        if (cp >= 0x10000) {
            out.push_back(static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(cp));
        }
    }
    return out;
}

std::string Utf8FromUtf16(const char16_t* text)
{
    std::size_t units = 0;
    while (text && text[units]) ++units;
    // Little-endian bytes for the reader above, which takes a file's layout.
    std::string bytes(2 * units, '\0');
    for (std::size_t i = 0; i < units; ++i) {
        WriteU16(reinterpret_cast<std::uint8_t*>(&bytes[2 * i]), static_cast<std::uint16_t>(text[i]));
    }
    std::string result(4 * units + 1, '\0');
    result.resize(
        Utf8FromUtf16Le(reinterpret_cast<const std::uint8_t*>(bytes.data()), units, &result[0], result.size()));
    return result;
}

}  // namespace support
