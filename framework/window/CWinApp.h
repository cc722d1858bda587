// The one application object. The framework's WinMain calls its
// InitInstance; a dialog-based program runs its dialog there and returns
// FALSE, which ends the program.
#pragma once

#include "framework/window/CCmdTarget.h"
#include "framework/window/ResourceString.h"

class CWnd;

// The framework's Help command.
#define ID_HELP 0xE146

class CWinApp : public CCmdTarget {
public:
    // Without a name the program's file name, less its extension, is used.
    explicit CWinApp(LPCSTR appName = nullptr);
    ~CWinApp() override;

    // FALSE ends the program at once; TRUE runs a message loop until WM_QUIT.
    virtual BOOL InitInstance();
    virtual int Run();
    virtual int ExitInstance();

    // A shared icon from the program's resources; never destroyed.
    HICON LoadIcon(UINT id) const;

    // Help command handler. The program has no help file: nothing to show.
    void OnHelp();

    CWnd* m_pMainWnd = nullptr;
    CString m_strAppName;  // caption of the framework's message boxes

    DECLARE_MESSAGE_MAP()
};

CWinApp* AfxGetApp();
HINSTANCE AfxGetInstanceHandle();
// Caption for the framework's message boxes: the application's name.
LPCSTR AfxGetAppName();
// Hosting of ActiveX controls: no dialog of ours holds one, so nothing to do.
void AfxEnableControlContainer();
