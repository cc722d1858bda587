#include "engine/ThreadName.h"

#include "platform/ProcAddress.h"

namespace {

using SetThreadDescriptionFn = HRESULT(WINAPI*)(HANDLE, PCWSTR);

// Only the window thread names threads, so the lookup needs no lock.
int g_threadDescriptionLookedUp = 0;
SetThreadDescriptionFn g_setThreadDescription = nullptr;

}  // namespace

HRESULT SetCurrentThreadName(HANDLE thread, PCWSTR name)
{
    if (!thread) return 6;
    if (!g_threadDescriptionLookedUp) {
        g_threadDescriptionLookedUp = 1;
        if (HMODULE kernel = GetModuleHandleA("Kernel32.dll")) {
            g_setThreadDescription = LookUpFunction<SetThreadDescriptionFn>(kernel, "SetThreadDescription");
        }
    }
    if (!g_setThreadDescription) return 5;
    return g_setThreadDescription(thread, name);
}
