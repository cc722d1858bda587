#pragma once

#include <string>

namespace posix {

// The Wine prefix's drive_c/windows/system32 ($WINEPREFIX, else ~/.wine)
// when it exists, else /usr/lib, where this machine keeps its libraries.
std::string SystemDirectoryPath();

}  // namespace posix
