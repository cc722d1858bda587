// Plays the user who closes modaris.exe during a scan: finds its window,
// puts a directory into edit 1000, presses "&Collect Info", waits until the
// button reads "&Stop", waits a little more, posts WM_CLOSE and then waits
// for the process to end. Runs in the same Wine prefix as the program.
//
// Usage: close_driver DIRECTORY DELAY_MS BOUND_MS
// Exit: 0 closed and ended in time; 2 usage; 3 no window; 4 the scan did not
// start; 5 the process did not end in time; 6 a crash dialog; 7 it ended
// with a nonzero code.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

constexpr int kDirectories = 1000;
constexpr int kCollectInfo = 1003;
constexpr int kSearchDirectories = 1007;
constexpr UINT kMessageGuardMs = 10000;

LRESULT Send(HWND window, UINT message, WPARAM wParam = 0, LPARAM lParam = 0)
{
    DWORD_PTR result = 0;
    SendMessageTimeoutA(window, message, wParam, lParam, SMTO_ABORTIFHUNG, kMessageGuardMs, &result);
    return static_cast<LRESULT>(result);
}

std::string Text(HWND window)
{
    char text[256] = "";
    Send(window, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text));
    return text;
}

// Polls `condition` every 10 ms for at most `milliseconds`.
template <typename Condition>
bool WaitFor(Condition condition, DWORD milliseconds)
{
    const ULONGLONG end = GetTickCount64() + milliseconds;
    while (!condition()) {
        if (GetTickCount64() > end) return false;
        Sleep(10);
    }
    return true;
}

// Wine's crash dialog (winedbg) is a top-level window with this caption.
BOOL CALLBACK FindCrashDialog(HWND window, LPARAM found)
{
    char caption[256] = "";
    GetWindowTextA(window, caption, sizeof caption);
    if (IsWindowVisible(window) && std::strstr(caption, "Program Error")) {
        *reinterpret_cast<bool*>(found) = true;
        return FALSE;
    }
    return TRUE;
}

// The program's own window: other programs in the prefix (the window tests)
// show dialogs captioned "Modaris" too.
struct ProgramWindowSearch {
    HWND found = nullptr;
};

bool IsModarisExe(DWORD processId)
{
    HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId);
    if (!process) return false;
    char image[MAX_PATH] = "";
    DWORD length = MAX_PATH;
    const bool named = QueryFullProcessImageNameA(process, 0, image, &length) != 0;
    CloseHandle(process);
    if (!named) return false;
    const char* base = std::strrchr(image, '\\');
    return _stricmp(base ? base + 1 : image, "modaris.exe") == 0;
}

BOOL CALLBACK FindProgramWindow(HWND window, LPARAM search)
{
    char caption[64] = "";
    char className[64] = "";
    GetWindowTextA(window, caption, sizeof caption);
    GetClassNameA(window, className, sizeof className);
    if (std::strcmp(caption, "Modaris") != 0 || std::strcmp(className, "#32770") != 0) return TRUE;
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    if (!IsModarisExe(processId)) return TRUE;
    reinterpret_cast<ProgramWindowSearch*>(search)->found = window;
    return FALSE;
}

HWND ProgramWindow()
{
    ProgramWindowSearch search;
    EnumWindows(FindProgramWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

bool CrashDialogShown()
{
    bool found = false;
    EnumWindows(FindCrashDialog, reinterpret_cast<LPARAM>(&found));
    return found;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 4) {
        std::fprintf(stderr, "usage: close_driver DIRECTORY DELAY_MS BOUND_MS\n");
        return 2;
    }
    const char* directory = argv[1];
    const DWORD delay = static_cast<DWORD>(std::strtoul(argv[2], nullptr, 10));
    const DWORD bound = static_cast<DWORD>(std::strtoul(argv[3], nullptr, 10));

    // The window is there once it is visible with its controls (the dialog
    // shows itself after WM_INITDIALOG).
    HWND window = nullptr;
    HWND start = nullptr;
    HWND radio = nullptr;
    const bool shown = WaitFor(
        [&] {
            window = ProgramWindow();
            if (!window || !IsWindowVisible(window)) return false;
            start = GetDlgItem(window, kCollectInfo);
            radio = GetDlgItem(window, kSearchDirectories);
            return start && radio;
        },
        60000);
    if (!shown) {
        std::printf("no Modaris window with its controls appeared\n");
        return 3;
    }
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    HANDLE process = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION, FALSE, processId);
    if (!process) {
        std::printf("cannot open the process %lu (error %lu)\n", static_cast<unsigned long>(processId),
                    static_cast<unsigned long>(GetLastError()));
        return 3;
    }

    if (Send(radio, BM_GETCHECK) != BST_CHECKED) Send(radio, BM_CLICK);
    Send(GetDlgItem(window, kDirectories), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(directory));
    // The button is enabled once the directory is seen to exist.
    if (!WaitFor([&] { return IsWindowEnabled(start) != FALSE; }, 10000)) {
        std::printf("\"&Collect Info\" stayed disabled for %s\n", directory);
        return 4;
    }
    Send(start, BM_CLICK);
    if (!WaitFor([&] { return Text(start) == "&Stop"; }, 10000)) {
        std::printf("the scan did not start (the button reads \"%s\")\n", Text(start).c_str());
        return 4;
    }
    Sleep(delay);
    const bool scanning = Text(start) == "&Stop";

    const ULONGLONG closedAt = GetTickCount64();
    PostMessageA(window, WM_CLOSE, 0, 0);
    bool crashed = false;
    ULONGLONG windowGone = 0;  // when the dialog's window was destroyed
    const bool ended = WaitFor(
        [&] {
            if (!windowGone && !IsWindow(window)) windowGone = GetTickCount64() - closedAt;
            crashed = crashed || CrashDialogShown();
            return crashed || WaitForSingleObject(process, 0) == WAIT_OBJECT_0;
        },
        bound);
    const ULONGLONG took = GetTickCount64() - closedAt;
    if (crashed) {
        std::printf("a crash dialog appeared after the close\n");
        return 6;
    }
    if (!ended) {
        std::printf("the process did not end within %lu ms of WM_CLOSE\n", static_cast<unsigned long>(bound));
        return 5;
    }
    DWORD code = 0;
    GetExitCodeProcess(process, &code);
    CloseHandle(process);
    std::printf("closed %s the scan after %lu ms; window gone after %llu ms, process ended after %llu ms, code %lu\n",
                scanning ? "during" : "after", static_cast<unsigned long>(delay), windowGone, took,
                static_cast<unsigned long>(code));
    return code == 0 ? 0 : 7;
}
