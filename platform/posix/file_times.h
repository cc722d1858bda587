#pragma once

#include <ctime>

#include "platform/posix/win32_types.h"

namespace posix {

// 100-nanosecond units since 1601-01-01 UTC.
FILETIME FileTimeFromTimespec(const timespec& time);

}  // namespace posix
