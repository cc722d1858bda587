#include "framework/window/ExceptionBarrier.h"

#include "framework/window/CWinApp.h"

namespace afx_internal {

void ReportToUser(HWND owner, const char* text)
{
    MessageBoxA(owner, text && *text ? text : "An unexpected error occurred.", AfxGetAppName(),
                MB_OK | MB_ICONEXCLAMATION);
}

void ReportAndDelete(HWND owner, CException* exception)
{
    if (!exception) {
        ReportToUser(owner, nullptr);
        return;
    }
    // Taking the message may itself fail for want of memory; the exception
    // is deleted either way, and exactly once.
    CString text;
    bool haveText = false;
    try {
        text = exception->GetErrorMessage();
        haveText = true;
    } catch (...) {
    }
    exception->Delete();
    ReportToUser(owner, haveText ? text.GetString() : nullptr);
}

}  // namespace afx_internal
