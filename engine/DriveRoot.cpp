#include "engine/DriveRoot.h"

#include "platform/DriveRoots.h"

CString DriveRootText(char letter)
{
    return platform::DriveRootOf(letter).c_str();
}
