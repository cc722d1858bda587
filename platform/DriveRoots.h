// The text of a drive's root as the engine walks it: "c:\" on Windows; on
// POSIX the Wine prefix's dosdevices link for the letter (posix/drive_roots.h).
#pragma once

#include <string>

#ifdef _WIN32
#include <cstdio>
#else
#include "platform/posix/drive_roots.h"
#endif

namespace platform {

// Empty for a letter that stands for nothing here.
inline std::string DriveRootOf(char letter)
{
#ifdef _WIN32
    char root[8];
    std::snprintf(root, sizeof root, "%c:\\", letter);
    return root;
#else
    return posix::DriveRootText(letter);
#endif
}

}  // namespace platform
