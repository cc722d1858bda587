#include "DialogSession.h"

#include <commctrl.h>
#include <gtest/gtest.h>
#include <process.h>

#include <cstdio>

#include "engine/RowCells.h"
#include "framework/CSingleLock.h"
#include "framework/window/CWinApp.h"
#include "framework/window/ComApartment.h"
#include "res/resource.h"
#include "ui/ModarisDlg.h"

namespace {

// The test program's application object: the dialog loads its icon through
// it, and the about box takes its main window as owner.
CWinApp g_app;

// A crash on any thread (a worker left running on a dialog that is gone)
// ends the run at once with a message, instead of waiting in Wine's
// debugger until the test's time is up.
LONG WINAPI EndOnCrash(EXCEPTION_POINTERS* exception)
{
    std::fprintf(stderr, "crash: exception 0x%08lx in thread %lu\n",
                 static_cast<unsigned long>(exception->ExceptionRecord->ExceptionCode),
                 static_cast<unsigned long>(GetCurrentThreadId()));
    std::fflush(stderr);
    TerminateProcess(GetCurrentProcess(), 3);
    return EXCEPTION_EXECUTE_HANDLER;
}
const LPTOP_LEVEL_EXCEPTION_FILTER g_previousFilter = SetUnhandledExceptionFilter(&EndOnCrash);

// Long enough for Wine on a loaded machine; only a guard against hangs.
constexpr UINT kAnswerTimeoutMs = 30000;

constexpr UINT kRunAction = WM_APP + 1;
const char kHelperClass[] = "ModarisDialogTestHelper";

LRESULT CALLBACK HelperProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == kRunAction) {
        (*reinterpret_cast<const std::function<void()>*>(lParam))();
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

// A message-only window on the dialog's thread: the modal loop hands it
// the messages sent to it like those of any other window of the thread.
HWND CreateHelperWindow()
{
    WNDCLASSA helperClass{};
    helperClass.lpfnWndProc = &HelperProc;
    helperClass.hInstance = GetModuleHandleA(nullptr);
    helperClass.lpszClassName = kHelperClass;
    RegisterClassA(&helperClass);  // fails harmlessly once it exists
    return CreateWindowExA(0, kHelperClass, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, GetModuleHandleA(nullptr),
                           nullptr);
}

}  // namespace

bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs)
{
    const DWORD start = GetTickCount();
    for (;;) {
        if (condition()) return true;
        if (GetTickCount() - start > timeoutMs) return condition();
        Sleep(10);
    }
}

std::string WindowText(HWND window)
{
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutA(window, WM_GETTEXTLENGTH, 0, 0, SMTO_NORMAL, kAnswerTimeoutMs, &length)) {
        return "<no answer>";
    }
    std::string text(length + 1, '\0');
    DWORD_PTR copied = 0;
    if (!SendMessageTimeoutA(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(&text[0]), SMTO_NORMAL,
                             kAnswerTimeoutMs, &copied)) {
        return "<no answer>";
    }
    text.resize(copied < length ? copied : length);
    return text;
}

namespace {

BOOL CALLBACK CollectVisible(HWND window, LPARAM found)
{
    if (IsWindowVisible(window)) reinterpret_cast<std::vector<HWND>*>(found)->push_back(window);
    return TRUE;
}

}  // namespace

std::vector<HWND> ThreadWindows(DWORD threadId)
{
    std::vector<HWND> windows;
    EnumThreadWindows(threadId, &CollectVisible, reinterpret_cast<LPARAM>(&windows));
    return windows;
}

HWND FindThreadWindow(DWORD threadId, const std::string& caption)
{
    for (HWND window : ThreadWindows(threadId)) {
        if (WindowText(window) == caption) return window;
    }
    return nullptr;
}

DialogSession::DialogSession()
{
    unsigned threadId = 0;
    m_thread = reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, &DialogSession::ThreadMain, this, 0, &threadId));
    if (!m_thread) return;
    m_threadId = threadId;
    HWND window = nullptr;
    WaitUntil([&] {
        window = FindThreadWindow(m_threadId, "Modaris");
        return window != nullptr || WaitForSingleObject(m_thread, 0) == WAIT_OBJECT_0;
    });
    m_window = window;
}

DialogSession::~DialogSession()
{
    if (!m_thread) return;
    // A worker left waiting would keep the dialog's end waiting for it.
    if (m_paused) ResumeWorker();
    if (WaitForSingleObject(m_thread, 0) == WAIT_TIMEOUT) {
        // Whatever is still open (an about box, a picker) ends with Cancel.
        for (HWND window : ThreadWindows(m_threadId)) PostMessageA(window, WM_COMMAND, IDCANCEL, 0);
        if (m_window) PostMessageA(m_window, WM_COMMAND, IDCANCEL, 0);
        if (!WaitForEnd()) ADD_FAILURE() << "the dialog's thread did not end";
    }
    CloseHandle(m_thread);
}

unsigned WINAPI DialogSession::ThreadMain(void* argument)
{
    auto* self = static_cast<DialogSession*>(argument);
    HWND helper = CreateHelperWindow();
    self->m_helperWindow = helper;
    {
        // As the program's InitInstance has it: in a COM apartment, on the
        // stack of the thread that runs the modal loop, destroyed as soon as
        // DoModal returns.
        const ComApartment apartment;
        CModarisDlg dialog;
        self->m_dialog = &dialog;
        AfxGetApp()->m_pMainWnd = &dialog;
        self->m_endCode = dialog.DoModal();
        AfxGetApp()->m_pMainWnd = nullptr;
        self->m_dialog = nullptr;
    }
    self->m_destroyed = true;
    self->m_helperWindow = nullptr;
    DestroyWindow(helper);
    return 0;
}

void DialogSession::OnDialogThread(const std::function<void()>& action) const
{
    HWND helper = m_helperWindow;
    ASSERT_NE(helper, nullptr);
    SendTo(helper, kRunAction, 0, reinterpret_cast<LPARAM>(&action));
}

void DialogSession::PauseWorker()
{
    if (m_paused) return;
    OnDialogThread([this] { Dialog().m_resultsLock.Lock(); });
    m_paused = true;
}

void DialogSession::ResumeWorker()
{
    ResumeWorkerAnd([] {});
}

void DialogSession::ResumeWorkerAnd(const std::function<void()>& action)
{
    if (!m_paused) return;
    OnDialogThread([&] {
        Dialog().m_resultsLock.Unlock();
        action();
    });
    m_paused = false;
}

void DialogSession::ResumeWorkerAfter(const std::function<void()>& action)
{
    if (!m_paused) return;
    OnDialogThread([&] {
        action();
        Dialog().m_resultsLock.Unlock();
    });
    m_paused = false;
}

HWND DialogSession::Item(int id) const
{
    return GetDlgItem(m_window, id);
}

LRESULT DialogSession::SendTo(HWND window, UINT message, WPARAM wParam, LPARAM lParam) const
{
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutA(window, message, wParam, lParam, SMTO_NORMAL, kAnswerTimeoutMs, &result)) {
        ADD_FAILURE() << "no answer to message " << message;
    }
    return static_cast<LRESULT>(result);
}

LRESULT DialogSession::Send(UINT message, WPARAM wParam, LPARAM lParam) const
{
    return SendTo(m_window, message, wParam, lParam);
}

void DialogSession::Click(int id) const
{
    SendTo(Item(id), BM_CLICK);
}

void DialogSession::PostClick(int id) const
{
    PostMessageA(Item(id), BM_CLICK, 0, 0);
}

void DialogSession::SetText(int id, const std::string& text) const
{
    SendTo(Item(id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

void DialogSession::SetChecked(int id, bool checked) const
{
    if (IsChecked(id) != checked) Click(id);
    EXPECT_EQ(IsChecked(id), checked) << "check box " << id;
}

std::string DialogSession::Text(int id) const
{
    return WindowText(Item(id));
}

bool DialogSession::IsEnabled(int id) const
{
    return IsWindowEnabled(Item(id)) != FALSE;
}

bool DialogSession::IsChecked(int id) const
{
    return SendTo(Item(id), BM_GETCHECK) == BST_CHECKED;
}

int DialogSession::RowCount() const
{
    return static_cast<int>(SendTo(Item(IDC_RESULTS), LVM_GETITEMCOUNT));
}

std::string DialogSession::Cell(int row, int column) const
{
    char buffer[1024] = "";
    LVITEMA item{};
    item.iSubItem = column;
    item.pszText = buffer;
    item.cchTextMax = sizeof buffer;
    const LRESULT length =
        SendTo(Item(IDC_RESULTS), LVM_GETITEMTEXTA, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
    return std::string(buffer, static_cast<std::size_t>(length > 0 ? length : 0));
}

std::vector<Row> DialogSession::Rows() const
{
    std::vector<Row> rows;
    const int count = RowCount();
    for (int row = 0; row < count; ++row) {
        Row cells;
        for (int column = 0; column < kRowCellCount; ++column) cells.push_back(Cell(row, column));
        rows.push_back(cells);
    }
    return rows;
}

std::vector<std::string> DialogSession::ColumnCells(int column) const
{
    std::vector<std::string> cells;
    const int count = RowCount();
    for (int row = 0; row < count; ++row) cells.push_back(Cell(row, column));
    return cells;
}

int DialogSession::TopIndex() const
{
    return static_cast<int>(SendTo(Item(IDC_RESULTS), LVM_GETTOPINDEX));
}

int DialogSession::CountPerPage() const
{
    return static_cast<int>(SendTo(Item(IDC_RESULTS), LVM_GETCOUNTPERPAGE));
}

void DialogSession::StartScan(const std::string& directories) const
{
    SetText(IDC_DIRECTORIES, directories);
    Click(IDC_COLLECT_INFO);
}

bool DialogSession::ScanHasEnded() const
{
    if (m_paused) {
        ADD_FAILURE() << "waiting for the end of a scan whose worker is held";
        return true;
    }
    CModarisDlg& dialog = Dialog();
    // The worker empties the status line last, after its last record; a
    // record is in the list once nothing is pending.
    if (Text(IDC_COLLECT_INFO) != "&Collect Info" || !Text(IDC_STATUS).empty()) return false;
    if (dialog.m_scanRunning || dialog.m_keepScanning) return false;
    CSingleLock lock(&dialog.m_resultsLock, true);
    return dialog.m_pendingResults.GetSize() == 0;
}

bool DialogSession::WaitForScanEnd(DWORD timeoutMs) const
{
    return WaitUntil([this] { return ScanHasEnded(); }, timeoutMs);
}

void DialogSession::StopScanIfRunning() const
{
    OnDialogThread([this] {
        if (Text(IDC_COLLECT_INFO) == "&Stop") SendMessageA(Item(IDC_COLLECT_INFO), BM_CLICK, 0, 0);
    });
}

bool DialogSession::WaitForEnd(DWORD timeoutMs)
{
    if (!m_thread) return false;
    const bool ended = WaitForSingleObject(m_thread, timeoutMs) == WAIT_OBJECT_0;
    if (ended) m_window = nullptr;
    return ended && m_destroyed;
}
