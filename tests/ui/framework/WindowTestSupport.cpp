#include "WindowTestSupport.h"

namespace {

constexpr UINT_PTR kWatchTimer = 0x5157;
constexpr int kGiveUpTicks = 1500;  // a hang guard, not a time limit under test
MessageBoxWatcher* g_watcher = nullptr;

}  // namespace

void MessageBoxWatcher::Start(HWND dialog)
{
    m_dialog = dialog;
    g_watcher = this;
    ::SetTimer(dialog, kWatchTimer, 20, &MessageBoxWatcher::Tick);
}

BOOL CALLBACK MessageBoxWatcher::CloseBox(HWND window, LPARAM watcher)
{
    auto* self = reinterpret_cast<MessageBoxWatcher*>(watcher);
    char className[16] = "";
    GetClassNameA(window, className, sizeof className);
    HWND text = GetDlgItem(window, 0xFFFF);  // a message box's text control
    if (window == self->m_dialog || lstrcmpA(className, "#32770") != 0 || !text) return TRUE;
    self->m_boxOpen = true;
    if (window != self->m_lastBox) {
        char buffer[512] = "";
        GetWindowTextA(text, buffer, sizeof buffer);
        self->m_texts.push_back(buffer);
        self->m_lastBox = window;
        PostMessageA(window, WM_COMMAND, IDOK, 0);
    }
    return FALSE;
}

void CALLBACK MessageBoxWatcher::Tick(HWND dialog, UINT, UINT_PTR, DWORD)
{
    MessageBoxWatcher* self = g_watcher;
    self->m_boxOpen = false;
    EnumThreadWindows(GetCurrentThreadId(), &MessageBoxWatcher::CloseBox, reinterpret_cast<LPARAM>(self));
    if (self->m_boxOpen) return;
    if (!self->m_texts.empty()) {
        ::KillTimer(dialog, kWatchTimer);
        SendMessageA(dialog, WM_COMMAND, IDOK, 0);
    } else if (++self->m_ticks > kGiveUpTicks) {
        ::KillTimer(dialog, kWatchTimer);
        EndDialog(dialog, -2);
    }
}
