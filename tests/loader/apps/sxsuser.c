/* A DLL whose embedded manifest (RT_MANIFEST 2) asks for common controls 6,
 * so that its comctl32.dll comes from WinSxS. */
#include <windows.h>
#include <commctrl.h>

__declspec(dllexport) int sxsuser_value(void)
{
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_STANDARD_CLASSES};
    return InitCommonControlsEx(&controls) ? 4 : 0;
}
