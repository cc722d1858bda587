// What the window tests share: whether windows can be made at all, and a
// watcher that closes the message boxes shown while a dialog runs.
#pragma once

#include <string>
#include <vector>

#include "CanCreateWindows.h"
#include "platform/win32.h"

// Started from a dialog's OnInitDialog: on a timer, closes each message box
// of this thread and keeps its text; once boxes have been closed and none is
// left, sends the dialog IDOK through its message map. Ends the dialog with
// -2 if nothing happens for a long time, so that a fault fails the test
// instead of hanging it.
class MessageBoxWatcher {
public:
    void Start(HWND dialog);
    const std::vector<std::string>& Texts() const { return m_texts; }

private:
    static void CALLBACK Tick(HWND dialog, UINT, UINT_PTR, DWORD);
    static BOOL CALLBACK CloseBox(HWND window, LPARAM watcher);

    HWND m_dialog = nullptr;
    HWND m_lastBox = nullptr;
    bool m_boxOpen = false;
    int m_ticks = 0;
    std::vector<std::string> m_texts;
};
