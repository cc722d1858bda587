// netapi32's workstation functions. Programs reach them only through
// LoadLibraryA("netapi32.dll") and GetProcAddress, as on Windows.
#pragma once

#include "platform/posix/win32_types.h"

// Level 100 of this computer (server null or empty): platform id, computer
// and domain names, and the workstation's major.minor; the buffer is freed
// with NetApiBufferFree.
NET_API_STATUS NetWkstaGetInfo(LPWSTR serverName, DWORD level, LPBYTE* buffer);
NET_API_STATUS NetApiBufferFree(LPVOID buffer);
