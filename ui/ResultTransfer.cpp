#include <cstdio>

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
    // Taken out under the lock and inserted after it: the worker never waits
    // for the list, and the window never waits for the worker.
    CTypedPtrArray<CPtrArray, dllVersionInfo*> arrived;
    TakePendingResults(arrived);
    const int count = arrived.GetSize();
    if (count == 0) return;

    // One repaint per tick, however many rows arrive.
    list->SendMessage(WM_SETREDRAW, FALSE, 0);
    int lastRow = -1;
    for (int i = 0; i < count; ++i) {
        dllVersionInfo* record = arrived[i];
        char bits[16] = "";
        if (record->GetBits() > 0) std::snprintf(bits, sizeof bits, "%d", record->GetBits());
        lastRow = list->InsertItem(LVIF_TEXT, list->GetItemCount(), "", 0, 0, 0, 0);
        if (lastRow != -1) {
            list->SetItemText(lastRow, 0, record->GetProductVersion());
            list->SetItemText(lastRow, 1, record->GetFileVersion());
            list->SetItemText(lastRow, 2, record->GetDate());
            list->SetItemText(lastRow, 3, bits);
            list->SetItemText(lastRow, 4, record->GetCompany());
            list->SetItemText(lastRow, 5, record->GetFileName());
        }
        delete record;
    }
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
    DiscardPendingResults();
    if (auto* list = static_cast<CListCtrl*>(GetDlgItem(IDC_RESULTS))) list->DeleteAllItems();
}
