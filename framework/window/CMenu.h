// A menu handle, as the framework's menu class: here the system menu.
#pragma once

#include "platform/win32.h"

class CMenu {
public:
    CMenu() = default;
    CMenu(const CMenu&) = delete;
    CMenu& operator=(const CMenu&) = delete;

    // A wrapper for the handle that lives as long as the menu. Null for a
    // null handle.
    static CMenu* FromHandle(HMENU menu);

    HMENU GetSafeHmenu() const { return m_hMenu; }

    // Appends an item (or, with MF_SEPARATOR, a separator) at the end.
    BOOL AppendMenu(UINT flags, UINT_PTR id = 0, LPCSTR text = nullptr);

    HMENU m_hMenu = nullptr;
};
