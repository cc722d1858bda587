#include "platform/posix/version/code_page_text.h"

#include <cerrno>
#include <cstring>
#include <iconv.h>
#include <memory>
#include <string>
#include <vector>

namespace version_reader {

namespace {

const iconv_t kNoConverter = reinterpret_cast<iconv_t>(-1);

// The converters of one thread (an iconv descriptor serves one thread at a
// time), opened when first needed and kept for the thread's life; and the
// code pages iconv did not know, so that a module naming thousands of
// translations asks it once for each.
class Converters {
public:
    ~Converters()
    {
        for (const Open& open : m_open) iconv_close(open.converter);
    }

    struct Open {
        std::uint16_t codePage;
        iconv_t converter;
    };

    // The converter to UTF-8 of `codePage`, else of the fallback, with the
    // code page it converts; kNoConverter when iconv knows neither (a
    // system without its conversion modules).
    Open For(std::uint16_t codePage)
    {
        if (codePage == 0 || IsUnknown(codePage)) codePage = kFallbackCodePage;
        if (IsUnknown(codePage)) return Open{codePage, kNoConverter};
        for (const Open& open : m_open) {
            if (open.codePage == codePage) return open;
        }
        const iconv_t converter = iconv_open("UTF-8", ("CP" + std::to_string(codePage)).c_str());
        if (converter != kNoConverter) {
            m_open.push_back(Open{codePage, converter});
            return m_open.back();
        }
        MarkUnknown(codePage);
        return codePage == kFallbackCodePage ? Open{codePage, kNoConverter} : For(kFallbackCodePage);
    }

private:
    bool IsUnknown(std::uint16_t codePage) const { return !m_unknown.empty() && m_unknown[codePage]; }
    void MarkUnknown(std::uint16_t codePage)
    {
        if (m_unknown.empty()) m_unknown.resize(0x10000);
        m_unknown[codePage] = true;
    }

    std::vector<Open> m_open;
    std::vector<bool> m_unknown;
};

Converters& ThisThreadsConverters()
{
    thread_local Converters converters;
    return converters;
}

// Single bytes that glibc's tables refuse and Windows' own give a
// character: 1252's five undefined bytes are the C1 controls of the same
// values, 932 has 0x80 and four of the private use area.
char32_t WindowsCharacterOf(std::uint16_t codePage, std::uint8_t byte)
{
    if (codePage == 1252 && (byte == 0x81 || byte == 0x8D || byte == 0x8F || byte == 0x90 || byte == 0x9D)) return byte;
    if (codePage == 932) {
        if (byte == 0x80) return 0x80;
        if (byte == 0xA0) return 0xF8F0;
        if (byte >= 0xFD) return 0xF8F1 + (byte - 0xFD);
    }
    return 0xFFFD;
}

// What stands for a byte the converter refused: written when it fits.
bool WriteInsteadOf(std::uint8_t byte, std::uint16_t codePage, char*& out, std::size_t& room)
{
    const char32_t character = WindowsCharacterOf(codePage, byte);
    char encoded[3];
    std::size_t size = 0;
    if (character < 0x800) {
        encoded[size++] = static_cast<char>(0xC0 | character >> 6);
    } else {
        encoded[size++] = static_cast<char>(0xE0 | character >> 12);
        encoded[size++] = static_cast<char>(0x80 | (character >> 6 & 0x3F));
    }
    encoded[size++] = static_cast<char>(0x80 | (character & 0x3F));
    if (room < size) return false;
    std::memcpy(out, encoded, size);
    out += size;
    room -= size;
    return true;
}

}  // namespace

std::size_t Utf8FromCodePage(const std::uint8_t* source, std::size_t length, std::uint16_t codePage, char* target,
                             std::size_t capacity)
{
    const Converters::Open open = ThisThreadsConverters().For(codePage);
    const iconv_t converter = open.converter;
    char* in = const_cast<char*>(reinterpret_cast<const char*>(source));
    std::size_t inLeft = length;
    char* out = target;
    std::size_t room = capacity - 1;  // the terminator's byte
    if (converter != kNoConverter) iconv(converter, nullptr, nullptr, nullptr, nullptr);
    while (inLeft > 0) {
        if (converter == kNoConverter) {
            // No converter at all: ASCII is ASCII in every code page here.
            if (static_cast<unsigned char>(*in) >= 0x80) {
                if (!WriteInsteadOf(static_cast<std::uint8_t>(*in), 0, out, room)) break;
            } else if (room > 0) {
                *out++ = *in;
                --room;
            } else {
                break;
            }
            ++in;
            --inLeft;
            continue;
        }
        if (iconv(converter, &in, &inLeft, &out, &room) != static_cast<std::size_t>(-1)) break;
        // A byte that begins no character, or a character cut by the end of
        // the text: U+FFFD (or Windows' character) for the byte, and on
        // with the next one.
        if (errno != EILSEQ && errno != EINVAL) break;
        if (!WriteInsteadOf(static_cast<std::uint8_t>(*in), open.codePage, out, room)) break;
        ++in;
        --inLeft;
    }
    // A code page that holds a character back for what may follow gives it now.
    if (converter != kNoConverter) iconv(converter, nullptr, nullptr, &out, &room);
    // The terminator's byte takes a NUL of the text itself, counted.
    if (inLeft > 0 && *in == 0) *out++ = 0;
    std::size_t written = static_cast<std::size_t>(out - target);
    if (written == 0 || target[written - 1] != 0) target[written] = '\0';
    return written;
}

}  // namespace version_reader
