#pragma once

#include "platform/win32.h"

// A function of a loaded module by name, as the type it has; null when the
// module has none.
template <class Function>
Function LookUpFunction(HMODULE module, const char* name)
{
    // Through a generic function pointer: the system hands out untyped ones.
    return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}
