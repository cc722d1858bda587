#pragma once

#include "platform/posix/win32_types.h"

namespace posix {

// The Win32 error code for a failed POSIX call on `path`: a missing file is
// told apart from a missing directory on the way to it, as Windows does.
DWORD Win32ErrorFromErrno(int error, const char* path);

}  // namespace posix
