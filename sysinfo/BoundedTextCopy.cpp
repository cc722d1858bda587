#include "sysinfo/BoundedTextCopy.h"

#ifdef _WIN32
#include <mbstring.h>

bool CopyTextBounded(char* destination, std::size_t destinationSize, const char* source, std::size_t count)
{
    return _mbsnbcpy_s(reinterpret_cast<unsigned char*>(destination), destinationSize,
                       reinterpret_cast<const unsigned char*>(source), count) == 0;
}

#else
#include <cstring>

namespace {

// Bytes of the UTF-8 character that begins with `lead`.
std::size_t CharacterLength(unsigned char lead)
{
    if (lead >= 0xF0) return 4;
    if (lead >= 0xE0) return 3;
    if (lead >= 0xC0) return 2;
    return 1;
}

}  // namespace

bool CopyTextBounded(char* destination, std::size_t destinationSize, const char* source, std::size_t count)
{
    if (!destination || destinationSize == 0) return false;
    std::size_t length = 0;
    while (length < count && source[length] != '\0') ++length;
    if (length == count && length > 0) {
        // Cut by the count: drop a last character that lost its tail. Only
        // the `count` bytes are read, as the source may end there.
        std::size_t lead = length - 1;
        while (lead > 0 && (static_cast<unsigned char>(source[lead]) & 0xC0) == 0x80) --lead;
        if (lead + CharacterLength(static_cast<unsigned char>(source[lead])) > length) length = lead;
    }
    if (length >= destinationSize) {
        destination[0] = '\0';
        return false;
    }
    std::memcpy(destination, source, length);
    destination[length] = '\0';
    return true;
}

#endif
