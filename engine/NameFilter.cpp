#include "engine/NameFilter.h"

#include <cstring>

#include "support/AsciiCase.h"

int IsAsciiLetter(char c)
{
    return support::IsAsciiLetter(c) ? 1 : 0;
}

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
            x = support::ToLowerAscii(x);
            y = support::ToLowerAscii(y);
        }
        if (x != y) break;
    }
    return static_cast<signed char>(x) - static_cast<signed char>(y);
}

const char* ExtensionOf(const char* name)
{
    const char* dot = std::strrchr(name, '.');
    return dot ? dot + 1 : name;
}

bool HasModuleExtension(const char* name)
{
    static const char* const kExtensions[] = {"dll", "exe", "ocx", "arx", "bpl"};
    const char* extension = ExtensionOf(name);
    if (std::strlen(extension) != 3) return false;
    for (const char* accepted : kExtensions) {
        if (support::EqualsIgnoringAsciiCase(extension, accepted)) return true;
    }
    return false;
}
