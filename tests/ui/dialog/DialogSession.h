// The real main dialog, run modally on a thread of its own as the program
// runs it, while the test thread plays the user: it sends the dialog and its
// controls messages (text, clicks) and waits for what the window shows.
#pragma once

#include <atomic>
#include <functional>
#include <string>
#include <vector>

#include "CanCreateWindows.h"
#include "platform/win32.h"

class CModarisDlg;

// Polls `condition` until it holds or `timeoutMs` pass; a guard against
// hangs, never a measure of speed.
bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs = 60000);

// A window's text, read with WM_GETTEXT.
std::string WindowText(HWND window);

// The visible top-level windows of one thread, in Z order.
std::vector<HWND> ThreadWindows(DWORD threadId);
// The visible top-level window of `threadId` with this caption, or null.
HWND FindThreadWindow(DWORD threadId, const std::string& caption);

using Row = std::vector<std::string>;  // the six cells of one list row

class DialogSession {
public:
    // Starts the dialog's thread and waits until the window is shown.
    DialogSession();
    // Closes the dialog if it is still open and waits for its thread.
    ~DialogSession();
    DialogSession(const DialogSession&) = delete;
    DialogSession& operator=(const DialogSession&) = delete;

    bool IsOpen() const { return m_window != nullptr; }
    HWND Window() const { return m_window; }
    HWND Item(int id) const;
    DWORD ThreadId() const { return m_threadId; }
    CModarisDlg& Dialog() const { return *m_dialog.load(); }

    // What the user does. Click sends BM_CLICK and returns once the handler
    // has run; PostClick returns at once (for buttons that open a modal
    // window, which would block the sender until it closes).
    void Click(int id) const;
    void PostClick(int id) const;
    void SetText(int id, const std::string& text) const;
    // Clicks the check box when its state differs.
    void SetChecked(int id, bool checked) const;
    // Runs `action` on the dialog's thread, between two of its messages, so
    // that what it does and reads is not split by a timer tick.
    void OnDialogThread(const std::function<void()>& action) const;
    // The dialog's thread takes the results lock (which it may take again
    // itself): the window goes on, the worker waits before its next row.
    void PauseWorker();
    void ResumeWorker();
    // Lets the worker go and runs `action` at once, on the dialog's thread.
    void ResumeWorkerAnd(const std::function<void()>& action);
    // Runs `action` on the dialog's thread while the worker still waits,
    // and lets it go before the thread handles anything else.
    void ResumeWorkerAfter(const std::function<void()>& action);

    // Sends a message to the dialog window with a hang guard.
    LRESULT Send(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const;
    LRESULT SendTo(HWND window, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const;

    // What the user sees.
    std::string Text(int id) const;
    bool IsEnabled(int id) const;
    bool IsChecked(int id) const;
    int RowCount() const;
    std::string Cell(int row, int column) const;
    std::vector<Row> Rows() const;
    std::vector<std::string> ColumnCells(int column) const;
    int TopIndex() const;
    int CountPerPage() const;

    // Puts `directories` into edit 1000 and clicks "&Collect Info".
    void StartScan(const std::string& directories) const;
    // True once the caption is back to "&Collect Info", the worker has
    // emptied the status line as it does last, and every record it made is
    // in the list. (Not for a scan stopped before it met its first folder:
    // the status line is empty then already.)
    bool ScanHasEnded() const;
    bool WaitForScanEnd(DWORD timeoutMs = 90000) const;
    // Clicks "&Stop" when a scan runs; a click on "&Collect Info" would
    // start one.
    void StopScanIfRunning() const;

    // Waits until DoModal has returned and the dialog object is destroyed;
    // false when that does not happen in time.
    bool WaitForEnd(DWORD timeoutMs = 60000);
    INT_PTR EndCode() const { return m_endCode; }

private:
    static unsigned WINAPI ThreadMain(void* session);

    HANDLE m_thread = nullptr;
    bool m_paused = false;
    DWORD m_threadId = 0;
    HWND m_window = nullptr;
    std::atomic<CModarisDlg*> m_dialog{nullptr};
    std::atomic<HWND> m_helperWindow{nullptr};
    std::atomic<INT_PTR> m_endCode{0};
    std::atomic<bool> m_destroyed{false};
};
