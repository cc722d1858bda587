// Keeps C++ exceptions out of user32. Every function that Windows calls back
// (dialog procedure, timer procedure) runs our code through CallGuarded:
// unwinding through the system's frames is undefined, and with MinGW's
// unwinder it ends the program. As the real framework does, an exception
// that reaches this point is shown to the user and the program goes on.
#pragma once

#include <exception>

#include "framework/Exceptions.h"
#include "platform/win32.h"

namespace afx_internal {

// Shows `text` in a message box owned by `owner` (which may be null).
void ReportToUser(HWND owner, const char* text);

// Shows the exception's message, then deletes it: the framework's exceptions
// are thrown by pointer, and whoever catches one owns it.
void ReportAndDelete(HWND owner, CException* exception);

// Runs `body`; false when an exception left it (it has been shown then).
template <class Body>
bool CallGuarded(HWND owner, Body&& body) noexcept
{
    try {
        body();
        return true;
    } catch (CException* exception) {
        ReportAndDelete(owner, exception);
    } catch (const std::exception& exception) {
        ReportToUser(owner, exception.what());
    } catch (...) {
        ReportToUser(owner, "An unexpected error occurred.");
    }
    return false;
}

}  // namespace afx_internal
