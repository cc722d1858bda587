#pragma once

#include "platform/win32.h"

// Names a thread for debuggers through SetThreadDescription where the system
// has it: 6 for a null handle, 5 when the system lacks the function, else
// its HRESULT. The function is looked up once per process.
HRESULT SetCurrentThreadName(HANDLE thread, PCWSTR name);
