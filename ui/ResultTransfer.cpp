#include "engine/RowCells.h"
#include "framework/CSingleLock.h"
#include "framework/window/CListCtrl.h"
#include "res/resource.h"
#include "ui/ModarisDlg.h"

void CALLBACK CModarisDlg::StatusTimerProc(HWND window, UINT, UINT_PTR, DWORD)
{
    auto* dialog = static_cast<CModarisDlg*>(CWnd::FromHandle(window));
    if (!dialog) return;
    dialog->TransferPendingResults();
    dialog->UpdateStatus();
}

void CModarisDlg::TransferPendingResults()
{
    auto* list = static_cast<CListCtrl*>(GetDlgItem(IDC_RESULTS));
    if (!list) return;
    // Held to the end, repaint included: the worker's next row waits, so the
    // tick does not share the machine with the scan.
    CSingleLock lock(&m_resultsLock, true);
    const int count = m_pendingResults.GetSize();
    // Nothing new, nothing to repaint: turning painting back on would repaint
    // the whole list ten times a second.
    if (count == 0) return;

    // One repaint per tick, however many rows arrive.
    list->SendMessage(WM_SETREDRAW, FALSE, 0);
    int lastRow = -1;
    for (int i = 0; i < count; ++i) {
        dllVersionInfo* record = m_pendingResults[i];
        if (!record) continue;
        lastRow = list->InsertItem(LVIF_TEXT, list->GetItemCount(), "", 0, 0, 0, 0);
        if (lastRow != -1) {
            const auto cells = RowCells(*record);
            for (int column = 0; column < kRowCellCount; ++column) {
                list->SetItemText(lastRow, column, cells[column].c_str());
            }
        }
        delete record;
    }
    m_pendingResults.SetSize(0, -1);
    list->SendMessage(WM_SETREDRAW, TRUE, 0);
    // Scrolled once painting is back on: Wine's list view does not update its
    // scroll range while redrawing is off, so an earlier scroll falls short.
    if (m_keepMostRecentVisible && lastRow != -1) list->EnsureVisible(lastRow, FALSE);
    list->UpdateWindow();
}

void CModarisDlg::UpdateStatus()
{
    CSingleLock results(&m_resultsLock, true);
    if (m_progressChanged) {
        {
            CSingleLock progress(&m_progressLock, true);
            SetDlgItemText(IDC_STATUS, m_currentDirectory);
            m_progressChanged = 0;
        }
        SetDlgItemInt(IDC_FOUND_COUNT, static_cast<UINT>(static_cast<int>(m_foundCount)), TRUE);
    }
    if (!m_scanRunning && !m_keepScanning) SetDlgItemText(IDC_COLLECT_INFO, "&Collect Info");
}

void CModarisDlg::OnClear()
{
    m_progressChanged = 1;
    m_foundCount = 0;
    UpdateStatus();
    auto* list = static_cast<CListCtrl*>(GetDlgItem(IDC_RESULTS));
    CSingleLock lock(&m_resultsLock, true);
    DiscardPendingResults();
    if (list) list->DeleteAllItems();
}
