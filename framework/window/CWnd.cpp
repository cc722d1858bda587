#include "framework/window/CWnd.h"

#include <vector>

#include "framework/window/CMenu.h"
#include "framework/window/CWinApp.h"
#include "framework/window/ExceptionBarrier.h"
#include "framework/window/HandleMap.h"

namespace {

CString WindowText(HWND window)
{
    const int length = window ? GetWindowTextLengthA(window) : 0;
    if (length <= 0) return CString();
    std::vector<char> buffer(static_cast<std::size_t>(length) + 1, '\0');
    const int copied = GetWindowTextA(window, buffer.data(), length + 1);
    return CString(buffer.data(), copied > 0 ? copied : 0);
}

}  // namespace

CWnd::~CWnd()
{
    if (m_hWnd && afx_internal::PermanentWindowFromHandle(m_hWnd) == this) DetachFromWindow();
}

CWnd* CWnd::FromHandle(HWND window)
{
    return afx_internal::WindowFromHandle(window);
}

CWnd* CWnd::GetDlgItem(int id) const
{
    return FromHandle(::GetDlgItem(m_hWnd, id));
}

void CWnd::SetDlgItemText(int id, LPCSTR text)
{
    ::SetDlgItemTextA(m_hWnd, id, text);
}

int CWnd::GetDlgItemText(int id, CString& text) const
{
    text = WindowText(::GetDlgItem(m_hWnd, id));
    return text.GetLength();
}

void CWnd::SetDlgItemInt(int id, UINT value, BOOL isSigned)
{
    ::SetDlgItemInt(m_hWnd, id, value, isSigned);
}

void CWnd::CheckDlgButton(int id, UINT check)
{
    ::CheckDlgButton(m_hWnd, id, check);
}

UINT CWnd::IsDlgButtonChecked(int id) const
{
    return ::IsDlgButtonChecked(m_hWnd, id);
}

BOOL CWnd::EnableWindow(BOOL enable)
{
    return ::EnableWindow(m_hWnd, enable);
}

BOOL CWnd::IsWindowEnabled() const
{
    return ::IsWindowEnabled(m_hWnd);
}

int CWnd::GetWindowText(LPSTR buffer, int bufferSize) const
{
    return ::GetWindowTextA(m_hWnd, buffer, bufferSize);
}

void CWnd::GetWindowText(CString& text) const
{
    text = WindowText(m_hWnd);
}

void CWnd::SetWindowText(LPCSTR text)
{
    ::SetWindowTextA(m_hWnd, text);
}

LRESULT CWnd::SendMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    return ::SendMessageA(m_hWnd, message, wParam, lParam);
}

void CWnd::UpdateWindow()
{
    ::UpdateWindow(m_hWnd);
}

BOOL CWnd::IsIconic() const
{
    return ::IsIconic(m_hWnd);
}

void CWnd::GetClientRect(LPRECT rect) const
{
    ::GetClientRect(m_hWnd, rect);
}

CMenu* CWnd::GetSystemMenu(BOOL revert) const
{
    return CMenu::FromHandle(::GetSystemMenu(m_hWnd, revert));
}

HICON CWnd::SetIcon(HICON icon, BOOL big)
{
    return reinterpret_cast<HICON>(
        SendMessage(WM_SETICON, big ? ICON_BIG : ICON_SMALL, reinterpret_cast<LPARAM>(icon)));
}

UINT_PTR CWnd::SetTimer(UINT_PTR id, UINT elapse, TIMERPROC procedure)
{
    for (auto it = m_timers.begin(); it != m_timers.end(); ++it) {
        if (it->id == id) {
            m_timers.erase(it);
            break;
        }
    }
    if (!procedure) return ::SetTimer(m_hWnd, id, elapse, nullptr);
    m_timers.push_back({id, procedure});
    return ::SetTimer(m_hWnd, id, elapse, &CWnd::GuardedTimerProc);
}

void CALLBACK CWnd::GuardedTimerProc(HWND window, UINT message, UINT_PTR id, DWORD time)
{
    CWnd* object = FromHandle(window);
    if (!object) return;
    for (const Timer& timer : object->m_timers) {
        if (timer.id == id) {
            TIMERPROC procedure = timer.procedure;
            afx_internal::CallGuarded(window, [&] { procedure(window, message, id, time); });
            return;
        }
    }
}

void CWnd::OnSysCommand(UINT, LPARAM)
{
    Default();
}

void CWnd::OnPaint()
{
    Default();
}

HCURSOR CWnd::OnQueryDragIcon()
{
    return reinterpret_cast<HCURSOR>(Default());
}

LRESULT CWnd::Default()
{
    if (!m_currentMessage) return 0;
    const Message message = *m_currentMessage;
    return DefaultProcessing(message.message, message.wParam, message.lParam);
}

LRESULT CWnd::DefaultProcessing(UINT message, WPARAM wParam, LPARAM lParam)
{
    return ::DefWindowProcA(m_hWnd, message, wParam, lParam);
}

bool CWnd::DispatchMessageToMaps(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    // Messages nest (a handler's Default() or SendMessage leads to more), so
    // the message that Default() means is kept per level.
    const Message current{message, wParam, lParam};
    const Message* outer = m_currentMessage;
    m_currentMessage = &current;
    struct Restore {
        const Message*& slot;
        const Message* value;
        ~Restore() { slot = value; }
    } restore{m_currentMessage, outer};

    if (message == WM_COMMAND) return RouteCommand(wParam, lParam, result);
    return DispatchToMap(message, 0, 0, wParam, lParam, result);
}

bool CWnd::RouteCommand(WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    // A control's notification carries its code; menus and accelerators
    // (no control handle) are plain commands.
    const UINT code = lParam ? HIWORD(wParam) : CN_COMMAND;
    const UINT id = LOWORD(wParam);
    if (DispatchToMap(WM_COMMAND, code, id, wParam, lParam, result)) return true;
    CWnd* owner = afx_internal::PermanentWindowFromHandle(::GetWindow(m_hWnd, GW_OWNER));
    if (owner && owner != this && owner->DispatchToMap(WM_COMMAND, code, id, wParam, lParam, result)) return true;
    CWinApp* app = AfxGetApp();
    return app && app->DispatchToMap(WM_COMMAND, code, id, wParam, lParam, result);
}

void CWnd::AttachToWindow(HWND window)
{
    afx_internal::BindWindow(window, this);
}

void CWnd::DetachFromWindow()
{
    if (m_hWnd) afx_internal::UnbindWindow(m_hWnd);
    m_hWnd = nullptr;
    m_timers.clear();
}
