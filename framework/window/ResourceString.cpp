#include "framework/window/ResourceString.h"

#include <vector>

#include "framework/window/CWinApp.h"

BOOL LoadResourceString(CString& text, UINT id)
{
    // LoadStringA tells only how much it copied; a string that fills the
    // buffer may have been cut. A string resource holds at most 65535
    // characters.
    for (std::size_t size = 256;; size *= 2) {
        std::vector<char> buffer(size, '\0');
        const int copied = LoadStringA(AfxGetInstanceHandle(), id, buffer.data(), static_cast<int>(size));
        if (copied <= 0) {
            text.Empty();
            return FALSE;
        }
        if (static_cast<std::size_t>(copied) < size - 1 || size > 65536) {
            text = CString(buffer.data(), copied);
            return TRUE;
        }
    }
}
