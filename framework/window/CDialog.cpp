#include "framework/window/CDialog.h"

#include "framework/window/CWinApp.h"
#include "framework/window/CommonControls.h"
#include "framework/window/ExceptionBarrier.h"
#include "framework/window/HandleMap.h"

namespace {

// The messages whose result a dialog procedure returns itself instead of
// leaving it in DWLP_MSGRESULT.
bool ReturnsResultDirectly(UINT message)
{
    switch (message) {
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
    case WM_COMPAREITEM:
    case WM_VKEYTOITEM:
    case WM_CHARTOITEM:
    case WM_QUERYDRAGICON:
    case WM_INITDIALOG: return true;
    default: return false;
    }
}

}  // namespace

BEGIN_MESSAGE_MAP(CDialog, CWnd)
ON_COMMAND(IDOK, &CDialog::OnOK)
ON_COMMAND(IDCANCEL, &CDialog::OnCancel)
END_MESSAGE_MAP()

CDialog::CDialog(UINT templateId, CWnd* parent) : m_nIDTemplate(templateId), m_pParentWnd(parent) {}

INT_PTR CDialog::DoModal()
{
    afx_internal::EnsureCommonControls();
    return DialogBoxParamA(AfxGetInstanceHandle(), MAKEINTRESOURCEA(m_nIDTemplate), ModalOwner(), &CDialog::DialogProc,
                           reinterpret_cast<LPARAM>(this));
}

HWND CDialog::ModalOwner() const
{
    // Without a parent the application's main window owns the dialog, as in
    // the framework: the about box then disables the main dialog while it
    // is open.
    CWnd* parent = m_pParentWnd;
    if (!parent) {
        CWinApp* app = AfxGetApp();
        if (app && app->m_pMainWnd != this) parent = app->m_pMainWnd;
    }
    HWND owner = parent ? parent->GetSafeHwnd() : nullptr;
    if (owner && !IsWindow(owner)) owner = nullptr;
    return owner ? GetAncestor(owner, GA_ROOT) : nullptr;
}

BOOL CDialog::OnInitDialog()
{
    return TRUE;
}

void CDialog::OnOK()
{
    EndDialog(IDOK);
}

void CDialog::OnCancel()
{
    EndDialog(IDCANCEL);
}

void CDialog::EndDialog(int result)
{
    ::EndDialog(m_hWnd, result);
}

LRESULT CDialog::DefaultProcessing(UINT message, WPARAM wParam, LPARAM lParam)
{
    m_defaultCall = {true, message, wParam, lParam};
    const LRESULT result = DefDlgProcA(m_hWnd, message, wParam, lParam);
    m_defaultCall.pending = false;
    return result;
}

INT_PTR CALLBACK CDialog::DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept
{
    if (message == WM_INITDIALOG) {
        auto* dialog = reinterpret_cast<CDialog*>(lParam);
        BOOL setFocus = TRUE;
        afx_internal::CallGuarded(window, [&] {
            dialog->AttachToWindow(window);
            setFocus = dialog->OnInitDialog();
        });
        return setFocus;
    }
    auto* dialog = static_cast<CDialog*>(afx_internal::PermanentWindowFromHandle(window));
    if (!dialog) return FALSE;
    if (message == WM_NCDESTROY) {
        dialog->DetachFromWindow();
        return FALSE;
    }
    return dialog->HandleMessage(message, wParam, lParam);
}

INT_PTR CDialog::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (m_defaultCall.pending && m_defaultCall.message == message && m_defaultCall.wParam == wParam &&
        m_defaultCall.lParam == lParam) {
        m_defaultCall.pending = false;
        return FALSE;  // the dialog manager's default processing follows
    }

    HWND window = m_hWnd;
    bool handled = false;
    LRESULT result = 0;
    const bool completed =
        afx_internal::CallGuarded(window, [&] { handled = DispatchMessageToMaps(message, wParam, lParam, result); });
    if (!completed) {
        // A painting handler that failed leaves the window invalid, and
        // Windows would ask it to paint, and fail, again and again.
        if (message == WM_PAINT) ValidateRect(window, nullptr);
        return TRUE;
    }
    if (!handled) return FALSE;
    if (ReturnsResultDirectly(message)) return static_cast<INT_PTR>(result);
    if (IsWindow(window)) SetWindowLongPtrA(window, DWLP_MSGRESULT, result);
    return TRUE;
}
