#include <shlobj.h>

#include "engine/SemicolonList.h"
#include "res/resource.h"
#include "ui/ModarisDlg.h"

void CModarisDlg::OnCollectInfo()
{
    if (m_scanRunning) {
        StopScan();
        SetDlgItemText(IDC_COLLECT_INFO, "&Collect Info");
        return;
    }

    // A stopped worker may still be ending: it reads the lists and options
    // rewritten below and clears the flags when it ends, so let it end first.
    WaitForWorkerToEnd();

    m_include16Bit = IsDlgButtonChecked(IDC_INCLUDE_16_BIT);
    m_include32Bit = IsDlgButtonChecked(IDC_INCLUDE_32_BIT);
    m_include64Bit = IsDlgButtonChecked(IDC_INCLUDE_64_BIT);
    m_includeUnknownBits = IsDlgButtonChecked(IDC_INCLUDE_UNKNOWN_BITS);
    m_autoClear = IsDlgButtonChecked(IDC_AUTO_CLEAR);
    m_ignoreRedirection = IsDlgButtonChecked(IDC_IGNORE_REDIRECTION);
    m_includeSystemInfo = IsDlgButtonChecked(IDC_INCLUDE_SYSTEM_INFO);
    m_keepMostRecentVisible = IsDlgButtonChecked(IDC_KEEP_MOST_RECENT_VISIBLE);
    if (m_autoClear) OnClear();
    m_foundCount = 0;
    SetProgressDirectory("");
    m_progressChanged = 1;
    m_searchAllDrives = IsDlgButtonChecked(IDC_SEARCH_ALL_DRIVES);

    CString text;
    GetDlgItemText(IDC_FILTER, text);
    SplitSemicolonList(text, m_filters);
    m_scanSubdirectories = IsDlgButtonChecked(IDC_SCAN_SUBDIRECTORIES);
    GetDlgItemText(IDC_DIRECTORIES, text);
    SplitSemicolonList(text, m_directories);

    if (BeginScanWorker()) SetDlgItemText(IDC_COLLECT_INFO, "&Stop");
}

void CModarisDlg::UpdateControlStates()
{
    CWnd* start = GetDlgItem(IDC_COLLECT_INFO);
    CString text;
    GetDlgItemText(IDC_DIRECTORIES, text);
    CStringArray directories;
    SplitSemicolonList(text, directories);
    // Only the first entry is tested: the scan deals with the others.
    const bool exists = directories.GetSize() > 0 && GetFileAttributesA(directories[0]) != INVALID_FILE_ATTRIBUTES;
    if (start) start->EnableWindow(exists);
    if (CWnd* edit = GetDlgItem(IDC_DIRECTORIES)) edit->EnableWindow(IsDlgButtonChecked(IDC_SEARCH_DIRECTORIES));
}

void CModarisDlg::OnBrowse()
{
    char buffer[MAX_PATH] = "";
    if (CWnd* edit = GetDlgItem(IDC_DIRECTORIES)) {
        edit->GetWindowText(buffer, MAX_PATH);
        if (BrowseForFolder(GetSafeHwnd(), buffer, "Windows Directory")) edit->SetWindowText(buffer);
    }
    UpdateControlStates();
}

int BrowseForFolder(HWND owner, char* buffer, const char* title)
{
    IMalloc* allocator = nullptr;
    if (FAILED(SHGetMalloc(&allocator)) || !allocator) return 0;

    BROWSEINFOA info = {};
    info.hwndOwner = owner;
    info.pidlRoot = nullptr;
    info.pszDisplayName = buffer;
    info.lpszTitle = title;
    info.ulFlags = BIF_RETURNONLYFSDIRS;
    LPITEMIDLIST chosen = SHBrowseForFolderA(&info);
    if (!chosen) {
        allocator->Release();
        return 0;
    }
    const BOOL hasPath = SHGetPathFromIDListA(chosen, buffer);
    allocator->Free(chosen);
    allocator->Release();
    return hasPath ? 1 : 0;
}
