// The report-style list view of a dialog. It adds no data to CWnd: the
// object is the window's wrapper, reached through GetDlgItem.
#pragma once

#include "framework/window/CWnd.h"

#include <commctrl.h>

class CListCtrl : public CWnd {
public:
    // The new column's index, or -1. A width or sub-item of -1 is not set.
    int InsertColumn(int column, LPCSTR heading, int format = LVCFMT_LEFT, int width = -1, int subItem = -1);

    // The new row's index, or -1.
    int InsertItem(UINT mask, int item, LPCSTR text, UINT state, UINT stateMask, int image, LPARAM lParam);
    int InsertItem(int item, LPCSTR text);

    BOOL SetItemText(int item, int subItem, LPCSTR text);
    // The whole text of one cell, however long.
    CString GetItemText(int item, int subItem) const;

    int GetItemCount() const;
    BOOL DeleteAllItems();
    BOOL EnsureVisible(int item, BOOL partialOK);
    int GetColumnWidth(int column) const;
};
