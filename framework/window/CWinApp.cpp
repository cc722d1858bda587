#include "framework/window/CWinApp.h"

#include "framework/window/ExceptionBarrier.h"

namespace {

CWinApp* g_app = nullptr;
HINSTANCE g_instance = nullptr;

CString ProgramName()
{
    char path[MAX_PATH] = "";
    const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return "Application";
    CString name(path);
    int start = 0;
    for (int i = 0; i < name.GetLength(); ++i) {
        if (name.GetAt(i) == '\\' || name.GetAt(i) == '/') start = i + 1;
    }
    name = name.Mid(start);
    for (int i = name.GetLength() - 1; i > 0; --i) {
        if (name.GetAt(i) == '.') return name.Left(i);
    }
    return name;
}

}  // namespace

BEGIN_MESSAGE_MAP(CWinApp, CCmdTarget)
ON_COMMAND(ID_HELP, &CWinApp::OnHelp)
END_MESSAGE_MAP()

CWinApp::CWinApp(LPCSTR appName) : m_strAppName(appName ? CString(appName) : ProgramName())
{
    g_app = this;
}

CWinApp::~CWinApp()
{
    if (g_app == this) g_app = nullptr;
}

BOOL CWinApp::InitInstance()
{
    return TRUE;
}

int CWinApp::Run()
{
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return ExitInstance();
}

int CWinApp::ExitInstance()
{
    return 0;
}

HICON CWinApp::LoadIcon(UINT id) const
{
    return ::LoadIconA(AfxGetInstanceHandle(), MAKEINTRESOURCEA(id));
}

void CWinApp::OnHelp() {}

CWinApp* AfxGetApp()
{
    return g_app;
}

HINSTANCE AfxGetInstanceHandle()
{
    // The framework is linked into the program, so its resources are the
    // program's own, also where no WinMain ran (the tests).
    return g_instance ? g_instance : GetModuleHandleA(nullptr);
}

LPCSTR AfxGetAppName()
{
    return g_app ? g_app->m_strAppName.GetString() : "Application";
}

void AfxEnableControlContainer() {}

// The program's entry point lives here, with the application class, and not
// in a file of its own: MinGW's start-up code that calls WinMain is linked
// after our libraries, so WinMain must come with an object file that the
// program already pulls in, and every program has an application object.
int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    g_instance = instance;
    CWinApp* app = AfxGetApp();
    if (!app) return 1;
    int code = 0;
    if (!afx_internal::CallGuarded(nullptr, [&] { code = app->InitInstance() ? app->Run() : app->ExitInstance(); })) {
        code = 1;
    }
    return code;
}
