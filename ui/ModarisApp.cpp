#include "ui/ModarisApp.h"

#include "framework/window/ComApartment.h"

#include "ui/ModarisDlg.h"

BEGIN_MESSAGE_MAP(CModarisApp, CWinApp)
ON_COMMAND(ID_HELP, &CWinApp::OnHelp)
END_MESSAGE_MAP()

CModarisApp theApp;

BOOL CModarisApp::InitInstance()
{
    // For "&Browse...": the shell's folder picker runs on this thread.
    const ComApartment apartment;
    AfxEnableControlContainer();
    CModarisDlg dialog;
    m_pMainWnd = &dialog;
    dialog.DoModal();
    // The dialog's state ends here, after its worker (see ~CScanEngine).
    return FALSE;
}
