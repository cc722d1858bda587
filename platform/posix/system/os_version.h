// The Windows version that the stand-in reports: the kernel's release read
// as major.minor and build, on the NT platform, without a service pack.
#pragma once

#include "platform/posix/system/platform_facts.h"

namespace posix {

// "6.18.44-generic" gives 6, 18, build 44; missing parts read as 0.
platform_facts::OsVersion OsVersionFromRelease(const char* release);

// The override in force, else the running kernel's.
platform_facts::OsVersion ReportedOsVersion();

}  // namespace posix
