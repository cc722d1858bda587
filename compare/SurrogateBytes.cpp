#include "compare/SurrogateBytes.h"

#include <cstring>

namespace compare {

namespace {

int HexDigit(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// The code unit of a \uXXXX escape at `p` (its backslash), or -1.
long EscapedUnit(const char* p, const char* end)
{
    if (end - p < 6 || p[0] != '\\' || p[1] != 'u') return -1;
    long unit = 0;
    for (int i = 2; i < 6; ++i) {
        const int digit = HexDigit(p[i]);
        if (digit < 0) return -1;
        unit = unit * 16 + digit;
    }
    return unit;
}

bool IsHighSurrogate(long unit)
{
    return unit >= 0xD800 && unit <= 0xDBFF;
}
bool IsLowSurrogate(long unit)
{
    return unit >= 0xDC00 && unit <= 0xDFFF;
}

}  // namespace

std::size_t SurrogateEscapesToBytes(char* text, std::size_t length)
{
    char* const end = text + length;
    char* read = static_cast<char*>(std::memchr(text, '\\', length));
    if (!read) return length;
    char* write = read;
    while (read < end) {
        if (*read != '\\' || read + 1 >= end) {
            *write++ = *read++;
            continue;
        }
        if (read[1] != 'u') {
            // Any other escape, \\ included, stays as it is, both characters.
            *write++ = *read++;
            *write++ = *read++;
            continue;
        }
        const long unit = EscapedUnit(read, end);
        if (IsHighSurrogate(unit) && IsLowSurrogate(EscapedUnit(read + 6, end))) {
            std::memmove(write, read, 12);
            write += 12;
            read += 12;
        } else if (unit >= 0xDC80 && unit <= 0xDCFF) {
            *write++ = static_cast<char>(unit - 0xDC00);
            read += 6;
        } else if (IsHighSurrogate(unit) || IsLowSurrogate(unit)) {
            *write++ = static_cast<char>(0xE0 | (unit >> 12));
            *write++ = static_cast<char>(0x80 | ((unit >> 6) & 0x3F));
            *write++ = static_cast<char>(0x80 | (unit & 0x3F));
            read += 6;
        } else {
            *write++ = *read++;
            *write++ = *read++;
        }
    }
    *write = '\0';
    return static_cast<std::size_t>(write - text);
}

}  // namespace compare
