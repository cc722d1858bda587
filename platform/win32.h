// The one include through which the engine reaches the Win32 API: the real
// one on Windows, the POSIX stand-in elsewhere.
#pragma once

#ifdef _WIN32
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#else
#include "posix/win32_api.h"
#endif
