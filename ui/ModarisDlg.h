// The main window: a dialog whose controls set the scan's options and whose
// list shows the rows the worker finds.
#pragma once

#include "engine/ScanEngine.h"
#include "framework/window/CDialog.h"

class CModarisDlg : public CDialog, public CScanEngine {
public:
    explicit CModarisDlg(CWnd* parent = nullptr);
    ~CModarisDlg() override;

    // Scan control.
    void OnCollectInfo();
    void UpdateControlStates();
    void OnBrowse();

    // Result transfer and status display, on a timer of the window's own.
    static constexpr UINT_PTR kStatusTimer = 1;
    static constexpr UINT kStatusPeriodMilliseconds = 100;
    static void CALLBACK StatusTimerProc(HWND window, UINT message, UINT_PTR timerId, DWORD time);
    void TransferPendingResults();
    void UpdateStatus();
    void OnClear();

    // Export.
    void BuildResultsText(CString& text);
    void OnCopyToClip();
    void OnNotepad();

protected:
    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;
    void OnSysCommand(UINT id, LPARAM parameter);
    void OnPaint();
    HCURSOR OnQueryDragIcon();
    void OnKeepMostRecentVisible();

    DECLARE_MESSAGE_MAP()

private:
    HICON m_hIcon;
};

// The shell's folder picker: 1 and the path in `buffer` (MAX_PATH chars)
// when a folder was chosen, else 0.
int BrowseForFolder(HWND owner, char* buffer, const char* title);
