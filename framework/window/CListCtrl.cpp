#include "framework/window/CListCtrl.h"

#include <vector>

int CListCtrl::InsertColumn(int column, LPCSTR heading, int format, int width, int subItem)
{
    LVCOLUMNA info{};
    info.mask = LVCF_FMT | LVCF_TEXT;
    info.fmt = format;
    info.pszText = const_cast<LPSTR>(heading);
    if (width != -1) {
        info.mask |= LVCF_WIDTH;
        info.cx = width;
    }
    if (subItem != -1) {
        info.mask |= LVCF_SUBITEM;
        info.iSubItem = subItem;
    }
    return static_cast<int>(
        ::SendMessageA(m_hWnd, LVM_INSERTCOLUMNA, static_cast<WPARAM>(column), reinterpret_cast<LPARAM>(&info)));
}

int CListCtrl::InsertItem(UINT mask, int item, LPCSTR text, UINT state, UINT stateMask, int image, LPARAM lParam)
{
    LVITEMA info{};
    info.mask = mask;
    info.iItem = item;
    info.pszText = const_cast<LPSTR>(text);
    info.state = state;
    info.stateMask = stateMask;
    info.iImage = image;
    info.lParam = lParam;
    return static_cast<int>(::SendMessageA(m_hWnd, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&info)));
}

int CListCtrl::InsertItem(int item, LPCSTR text)
{
    return InsertItem(LVIF_TEXT, item, text, 0, 0, 0, 0);
}

BOOL CListCtrl::SetItemText(int item, int subItem, LPCSTR text)
{
    LVITEMA info{};
    info.iSubItem = subItem;
    info.pszText = const_cast<LPSTR>(text);
    return static_cast<BOOL>(
        ::SendMessageA(m_hWnd, LVM_SETITEMTEXTA, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&info)));
}

CString CListCtrl::GetItemText(int item, int subItem) const
{
    // The list view tells only how much it copied: a text that fills the
    // buffer may have been cut, so ask again with a larger one.
    std::vector<char> buffer(256);
    for (;;) {
        LVITEMA info{};
        info.iSubItem = subItem;
        info.pszText = buffer.data();
        info.cchTextMax = static_cast<int>(buffer.size());
        const int copied = static_cast<int>(
            ::SendMessageA(m_hWnd, LVM_GETITEMTEXTA, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&info)));
        if (copied <= 0) return CString();
        if (copied < static_cast<int>(buffer.size()) - 1) return CString(info.pszText, copied);
        buffer.resize(buffer.size() * 2);
    }
}

int CListCtrl::GetItemCount() const
{
    return static_cast<int>(::SendMessageA(m_hWnd, LVM_GETITEMCOUNT, 0, 0));
}

BOOL CListCtrl::DeleteAllItems()
{
    return static_cast<BOOL>(::SendMessageA(m_hWnd, LVM_DELETEALLITEMS, 0, 0));
}

BOOL CListCtrl::EnsureVisible(int item, BOOL partialOK)
{
    return static_cast<BOOL>(::SendMessageA(m_hWnd, LVM_ENSUREVISIBLE, static_cast<WPARAM>(item), partialOK));
}

int CListCtrl::GetColumnWidth(int column) const
{
    return static_cast<int>(::SendMessageA(m_hWnd, LVM_GETCOLUMNWIDTH, static_cast<WPARAM>(column), 0));
}
