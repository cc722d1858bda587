#pragma once

#include <string>

namespace posix {

// The Wine prefix's drive_c/windows/system32 ($WINEPREFIX, else ~/.wine)
// when it exists, else /usr/lib, where this machine keeps its libraries.
std::string SystemDirectoryPath();

// Where a system module such as "kernel32.dll" lives: in the system
// directory, where the Wine prefix keeps its real file.
std::string SystemModulePath(const char* fileName);

}  // namespace posix
