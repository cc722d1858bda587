// On POSIX, the Wine prefix that stands in for the Windows system
// ($WINEPREFIX, default ~/.wine; it need not exist); on Windows, none.
#pragma once

#include <string>

#ifndef _WIN32
#include "platform/posix/wine_prefix.h"
#endif

namespace platform {

inline std::string WinePrefixDirectory()
{
#ifdef _WIN32
    return std::string();
#else
    return posix::WinePrefix();
#endif
}

}  // namespace platform
