// Whether this process can make a window at all: not under Wine without a
// display, where the window tests skip.
#pragma once

#include "platform/win32.h"

inline bool CanCreateWindows()
{
    HWND window =
        CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    if (!window) return false;
    DestroyWindow(window);
    return true;
}
