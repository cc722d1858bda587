// A window, as the framework's window class: the handle and the operations
// on it and on its dialog controls that the program uses.
#pragma once

#include <vector>

#include "framework/CString.h"
#include "framework/window/CCmdTarget.h"

class CMenu;

class CWnd : public CCmdTarget {
public:
    CWnd() = default;
    ~CWnd() override;

    // The object for a handle: the one bound to it, else a wrapper that
    // lives as long as the window. Null for a null handle.
    static CWnd* FromHandle(HWND window);

    HWND GetSafeHwnd() const { return m_hWnd; }

    // Dialog controls. GetDlgItem gives the control's object (a CListCtrl for
    // a list view), or null when there is no such control.
    CWnd* GetDlgItem(int id) const;
    void SetDlgItemText(int id, LPCSTR text);
    int GetDlgItemText(int id, CString& text) const;
    void SetDlgItemInt(int id, UINT value, BOOL isSigned = TRUE);
    void CheckDlgButton(int id, UINT check);
    UINT IsDlgButtonChecked(int id) const;

    BOOL EnableWindow(BOOL enable = TRUE);
    BOOL IsWindowEnabled() const;
    int GetWindowText(LPSTR buffer, int bufferSize) const;
    void GetWindowText(CString& text) const;
    void SetWindowText(LPCSTR text);
    LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
    void UpdateWindow();
    BOOL IsIconic() const;
    void GetClientRect(LPRECT rect) const;
    CMenu* GetSystemMenu(BOOL revert) const;
    HICON SetIcon(HICON icon, BOOL big);

    // With a procedure, the procedure runs behind the exception barrier.
    UINT_PTR SetTimer(UINT_PTR id, UINT elapse, TIMERPROC procedure);

    HWND m_hWnd = nullptr;

protected:
    // The framework's default handlers: each hands its message on to the
    // window's default processing.
    void OnSysCommand(UINT id, LPARAM lParam);
    void OnPaint();
    HCURSOR OnQueryDragIcon();

    // Default processing of the message being handled now; 0 outside a
    // handler.
    LRESULT Default();

    // What default processing means for this kind of window.
    virtual LRESULT DefaultProcessing(UINT message, WPARAM wParam, LPARAM lParam);

    // Runs the handler that the message maps give for the message; false
    // when there is none. Commands go to this window, then to its owner,
    // then to the application, as the framework routes them for a dialog.
    bool DispatchMessageToMaps(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);

    // Binds this object to its window, and ends the binding when the window
    // goes.
    void AttachToWindow(HWND window);
    void DetachFromWindow();

private:
    struct Message {
        UINT message;
        WPARAM wParam;
        LPARAM lParam;
    };
    struct Timer {
        UINT_PTR id;
        TIMERPROC procedure;
    };

    static void CALLBACK GuardedTimerProc(HWND window, UINT message, UINT_PTR id, DWORD time);
    bool RouteCommand(WPARAM wParam, LPARAM lParam, LRESULT& result);

    const Message* m_currentMessage = nullptr;
    std::vector<Timer> m_timers;
};
