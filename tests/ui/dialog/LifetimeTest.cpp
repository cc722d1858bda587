// How the dialog ends: every way of closing it goes through Cancel, and
// closing it during a scan stops the worker and waits for it before the
// dialog object goes.
#include "DialogTest.h"

#include <tlhelp32.h>

#include <string>

#include "ui/ModarisDlg.h"

namespace {

using Lifetime = DialogTest;

// Threads of this process that carry the worker's name; -1 where threads
// have no names.
int ScannerThreadCount()
{
    using GetDescriptionFn = HRESULT(WINAPI*)(HANDLE, PWSTR*);
    auto getDescription = reinterpret_cast<GetDescriptionFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "GetThreadDescription")));
    if (!getDescription) return -1;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return -1;
    int count = 0;
    THREADENTRY32 entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry)) {
        if (entry.th32OwnerProcessID != GetCurrentProcessId()) continue;
        HANDLE thread = OpenThread(THREAD_QUERY_LIMITED_INFORMATION, FALSE, entry.th32ThreadID);
        if (!thread) continue;
        PWSTR description = nullptr;
        if (SUCCEEDED(getDescription(thread, &description)) && description) {
            if (std::wstring(description) == L"ScannerThread") ++count;
            LocalFree(description);
        }
        CloseHandle(thread);
    }
    CloseHandle(snapshot);
    return count;
}

TEST_F(Lifetime, ClosingDuringAScanStopsTheWorkerAndWaitsForIt)
{
    StartBigScan();
    session->PauseWorker();
    const int workers = ScannerThreadCount();
    if (workers >= 0) {
        EXPECT_EQ(workers, 1) << "one worker, named ScannerThread";
    }

    // Close while the worker waits to add its next row, and only then let
    // it go: it is far from done when the dialog's end comes, however long
    // the close takes (hiding a window can take Wine a second).
    bool running = false;
    session->ResumeWorkerAfter([&] {
        SendMessageA(session->Item(IDCANCEL), BM_CLICK, 0, 0);
        running = session->Dialog().m_scanRunning != 0;
    });
    EXPECT_TRUE(running);
    ASSERT_TRUE(session->WaitForEnd()) << "the dialog did not end, or its object was not destroyed";
    EXPECT_EQ(session->EndCode(), IDCANCEL);
    if (workers >= 0) {
        EXPECT_EQ(ScannerThreadCount(), 0) << "a worker outlived the dialog";
    }
}

// Each way of ending the dialog that the user has, on a fresh dialog.
struct Ending {
    const char* name;
    void (*act)(DialogSession&);
};

void ClickClose(DialogSession& session)
{
    session.Click(IDCANCEL);
}

void PressKeyInFilter(DialogSession& session, WPARAM key)
{
    HWND edit = session.Item(IDC_FILTER);
    session.Send(WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(edit), TRUE);
    // Posted, as typed keys are: the modal loop's dialog handling sees them.
    PostMessageA(edit, WM_KEYDOWN, key, 1);
    PostMessageA(edit, WM_KEYUP, key, 0xC0000001);
}

const Ending kEndings[] = {
    {"Close", &ClickClose},
    {"Enter in the filter edit presses the default button, Close",
     [](DialogSession& session) { PressKeyInFilter(session, VK_RETURN); }},
    {"Escape", [](DialogSession& session) { PressKeyInFilter(session, VK_ESCAPE); }},
    {"system menu's Close", [](DialogSession& session) { PostMessageA(session.Window(), WM_SYSCOMMAND, SC_CLOSE, 0); }},
};

TEST(LifetimeEnding, EveryWayOfClosingEndsTheDialogWithCancel)
{
    if (!CanCreateWindows()) GTEST_SKIP() << "no display: run under Xvfb with DISPLAY set";
    for (const Ending& ending : kEndings) {
        SCOPED_TRACE(ending.name);
        DialogSession fresh;
        ASSERT_TRUE(fresh.IsOpen());
        ending.act(fresh);
        ASSERT_TRUE(fresh.WaitForEnd());
        EXPECT_EQ(fresh.EndCode(), IDCANCEL);
    }
}

}  // namespace
