#include "ui/ModarisDlg.h"

#include "engine/RowCells.h"
#include "framework/window/CListCtrl.h"
#include "framework/window/CMenu.h"
#include "framework/window/CPaintDC.h"
#include "framework/window/CWinApp.h"
#include "res/resource.h"
#include "ui/AboutDlg.h"

namespace {

// In the order of the row's cells.
const int kColumnWidths[kRowCellCount] = {140, 140, 120, 60, 160, 500};

}  // namespace

BEGIN_MESSAGE_MAP(CModarisDlg, CDialog)
ON_WM_SYSCOMMAND()
ON_WM_PAINT()
ON_WM_QUERYDRAGICON()
ON_BN_CLICKED(IDC_COLLECT_INFO, &CModarisDlg::OnCollectInfo)
ON_EN_CHANGE(IDC_DIRECTORIES, &CModarisDlg::UpdateControlStates)
ON_BN_CLICKED(IDC_COPY_TO_CLIP, &CModarisDlg::OnCopyToClip)
ON_BN_CLICKED(IDC_BROWSE, &CModarisDlg::OnBrowse)
ON_BN_CLICKED(IDC_SEARCH_ALL_DRIVES, &CModarisDlg::UpdateControlStates)
ON_BN_CLICKED(IDC_SEARCH_DIRECTORIES, &CModarisDlg::UpdateControlStates)
ON_BN_CLICKED(IDC_CLEAR, &CModarisDlg::OnClear)
ON_BN_CLICKED(IDC_NOTEPAD, &CModarisDlg::OnNotepad)
ON_BN_CLICKED(IDC_KEEP_MOST_RECENT_VISIBLE, &CModarisDlg::OnKeepMostRecentVisible)
END_MESSAGE_MAP()

CModarisDlg::CModarisDlg(CWnd* parent)
    : CDialog(IDD_MODARIS_DIALOG, parent), m_hIcon(AfxGetApp()->LoadIcon(IDR_MAINFRAME))
{
}

CModarisDlg::~CModarisDlg() = default;

BOOL CModarisDlg::OnInitDialog()
{
    CDialog::OnInitDialog();

    if (CMenu* systemMenu = GetSystemMenu(FALSE)) {
        CString aboutText;
        LoadResourceString(aboutText, IDS_ABOUTBOX);
        if (!aboutText.IsEmpty()) {
            systemMenu->AppendMenu(MF_SEPARATOR, 0, nullptr);
            systemMenu->AppendMenu(MF_STRING, IDM_ABOUTBOX, aboutText);
        }
    }
    SendMessage(WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_hIcon));
    SendMessage(WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_hIcon));

    char systemDirectory[MAX_PATH] = "";
    const UINT length = GetSystemDirectoryA(systemDirectory, MAX_PATH);
    // A directory that does not fit is no directory: start with an empty text.
    if (length == 0 || length >= MAX_PATH) systemDirectory[0] = '\0';
    SetDlgItemText(IDC_DIRECTORIES, systemDirectory);
    SetDlgItemText(IDC_FILTER, "");

    CheckDlgButton(IDC_SEARCH_ALL_DRIVES, m_searchAllDrives);
    CheckDlgButton(IDC_SEARCH_DIRECTORIES, m_searchAllDrives ? 0 : 1);
    CheckDlgButton(IDC_SCAN_SUBDIRECTORIES, m_scanSubdirectories);
    CheckDlgButton(IDC_AUTO_CLEAR, m_autoClear);
    CheckDlgButton(IDC_IGNORE_REDIRECTION, m_ignoreRedirection);
    CheckDlgButton(IDC_INCLUDE_SYSTEM_INFO, m_includeSystemInfo);
    CheckDlgButton(IDC_KEEP_MOST_RECENT_VISIBLE, m_keepMostRecentVisible);

    auto* list = static_cast<CListCtrl*>(GetDlgItem(IDC_RESULTS));
    for (int column = 0; column < kRowCellCount; ++column) {
        list->InsertColumn(column, kColumnHeadings[column], LVCFMT_LEFT, kColumnWidths[column]);
    }

    m_progressChanged = 1;
    UpdateStatus();

    CheckDlgButton(IDC_INCLUDE_16_BIT, m_include16Bit);
    CheckDlgButton(IDC_INCLUDE_32_BIT, m_include32Bit);
    CheckDlgButton(IDC_INCLUDE_64_BIT, m_include64Bit);
    CheckDlgButton(IDC_INCLUDE_UNKNOWN_BITS, m_includeUnknownBits);

    SetTimer(kStatusTimer, kStatusPeriodMilliseconds, StatusTimerProc);
    UpdateControlStates();
    return TRUE;
}

void CModarisDlg::OnSysCommand(UINT id, LPARAM)
{
    if ((id & 0xFFF0) == IDM_ABOUTBOX) {
        CAboutDlg about;
        about.DoModal();
        return;
    }
    Default();
}

void CModarisDlg::OnPaint()
{
    if (!IsIconic()) {
        CDialog::OnPaint();
        return;
    }
    CPaintDC dc(this);
    SendMessage(WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc.GetSafeHdc()), 0);
    const int iconWidth = GetSystemMetrics(SM_CXICON);
    const int iconHeight = GetSystemMetrics(SM_CYICON);
    RECT client;
    GetClientRect(&client);
    const int x = (client.right - client.left - iconWidth + 1) / 2;
    const int y = (client.bottom - client.top - iconHeight + 1) / 2;
    dc.DrawIcon(x, y, m_hIcon);
}

HCURSOR CModarisDlg::OnQueryDragIcon()
{
    return static_cast<HCURSOR>(m_hIcon);
}

void CModarisDlg::OnOK()
{
    CDialog::OnOK();
}

void CModarisDlg::OnCancel()
{
    CDialog::OnCancel();
}

void CModarisDlg::OnKeepMostRecentVisible()
{
    m_keepMostRecentVisible = IsDlgButtonChecked(IDC_KEEP_MOST_RECENT_VISIBLE);
}
