// Which C++ object stands for a window handle. Objects that we bound to their
// window (a dialog while it runs) are permanent. For any other handle a
// wrapper is made on first use and kept for as long as its window exists, so
// that repeated lookups of one control give one object; its class follows
// the window class, so the list view's wrapper really is a CListCtrl.
#pragma once

#include "platform/win32.h"

class CWnd;

namespace afx_internal {

// The object for `window`: the permanent one, else its wrapper (made now if
// need be). Null for a null handle.
CWnd* WindowFromHandle(HWND window);

// The object bound to `window`, or null; never makes a wrapper.
CWnd* PermanentWindowFromHandle(HWND window);

// Binds `object` to `window`, replacing a wrapper made for it earlier.
void BindWindow(HWND window, CWnd* object);

// Ends the binding of `window` (its window is being destroyed) and drops the
// wrappers of its children and of every window that no longer exists.
void UnbindWindow(HWND window);

}  // namespace afx_internal
