// Signatures of the workstation functions that the probe looks up by name at
// run time, so that it runs on systems without them.
#pragma once

#include "platform/win32.h"

#ifdef _WIN32
#include <lmcons.h>
#include <lmerr.h>
#include <lmwksta.h>
#endif

using NetWkstaGetInfoFn = NET_API_STATUS(WINAPI*)(LPWSTR serverName, DWORD level, LPBYTE* buffer);
using NetApiBufferFreeFn = NET_API_STATUS(WINAPI*)(LPVOID buffer);
