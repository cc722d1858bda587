// Win32 error codes that only the version functions report and that
// win32_types.h does not define.
#pragma once

#include "platform/posix/win32_types.h"

namespace version_reader {

constexpr DWORD kErrorInvalidData = 13;   // ERROR_INVALID_DATA: no buffer given
constexpr DWORD kErrorBadPathname = 161;  // ERROR_BAD_PATHNAME: empty file name

}  // namespace version_reader
