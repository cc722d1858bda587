#include "engine/DriveRoot.h"

#include <cstdio>

#ifndef _WIN32
#include "platform/posix/drive_roots.h"
#endif

CString DriveRootText(char letter)
{
#ifdef _WIN32
    char root[8];
    std::snprintf(root, sizeof root, "%c:\\", letter);
    return root;
#else
    return posix::DriveRootText(letter).c_str();
#endif
}
