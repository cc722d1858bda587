// The Win32 error that Windows reports when opening a file fails.
#pragma once

#include "platform/posix/win32_types.h"

namespace version_reader {

// `error` is the errno of open(); a missing file is told apart from a missing
// directory on the way to it.
DWORD Win32ErrorForOpen(int error, const char* path);

}  // namespace version_reader
