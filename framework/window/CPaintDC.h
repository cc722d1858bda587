// The device context of one WM_PAINT: BeginPaint when made, EndPaint when
// it goes.
#pragma once

#include "platform/win32.h"

class CWnd;

class CPaintDC {
public:
    explicit CPaintDC(CWnd* window);
    CPaintDC(const CPaintDC&) = delete;
    CPaintDC& operator=(const CPaintDC&) = delete;
    ~CPaintDC();

    HDC GetSafeHdc() const { return m_hDC; }
    BOOL DrawIcon(int x, int y, HICON icon);

    HDC m_hDC = nullptr;
    PAINTSTRUCT m_ps{};

private:
    HWND m_hWnd;
};
