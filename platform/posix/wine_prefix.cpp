#include "platform/posix/wine_prefix.h"

#include <cstdlib>

namespace posix {

std::string WinePrefix()
{
    if (const char* prefix = std::getenv("WINEPREFIX"); prefix && *prefix) return prefix;
    const char* home = std::getenv("HOME");
    return std::string(home && *home ? home : "") + "/.wine";
}

}  // namespace posix
