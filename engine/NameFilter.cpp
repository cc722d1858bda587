#include "engine/NameFilter.h"

#include <cstring>

int IsAsciiLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ? 1 : 0; }

int CompareNamesNoCase(const char* a, const char* b)
{
    if (!a) return b ? -1 : 0;
    if (!b) return 1;
    char x = 0;
    char y = 0;
    for (std::size_t i = 0;; ++i) {
        x = a[i];
        y = b[i];
        if (x == 0 || y == 0) break;
        // Case is folded only between two letters.
        if (IsAsciiLetter(x) && IsAsciiLetter(y)) {
            if (x <= 'Z') x = static_cast<char>(x + 0x20);
            if (y <= 'Z') y = static_cast<char>(y + 0x20);
        }
        if (x != y) break;
    }
    return static_cast<signed char>(x) - static_cast<signed char>(y);
}

bool HasModuleExtension(const char* name)
{
    static const char* const kExtensions[] = {"dll", "exe", "ocx", "arx", "bpl"};
    const char* dot = std::strrchr(name, '.');
    const char* extension = dot ? dot + 1 : name;
    if (std::strlen(extension) != 3) return false;
    char lower[4] = {};
    for (int i = 0; i < 3; ++i) {
        const char c = extension[i];
        lower[i] = c >= 'A' && c <= 'Z' ? static_cast<char>(c + 0x20) : c;
    }
    for (const char* accepted : kExtensions) {
        if (std::strcmp(lower, accepted) == 0) return true;
    }
    return false;
}
