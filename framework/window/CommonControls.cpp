#include "framework/window/CommonControls.h"

#include <mutex>

#include "platform/win32.h"

#include <commctrl.h>

namespace afx_internal {

void EnsureCommonControls()
{
    static std::once_flag once;
    std::call_once(once, [] {
        INITCOMMONCONTROLSEX controls{};
        controls.dwSize = sizeof controls;
        controls.dwICC = ICC_LISTVIEW_CLASSES | ICC_STANDARD_CLASSES;
        InitCommonControlsEx(&controls);
    });
}

}  // namespace afx_internal
