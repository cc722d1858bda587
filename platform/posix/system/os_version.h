// The Windows version that the stand-in derives from this machine: the
// kernel's release read as major.minor and build, on the NT platform,
// without a service pack.
#pragma once

#include "platform/posix/system/fact_records.h"

namespace posix {

// "6.18.44-generic" gives 6, 18, build 44; missing parts read as 0.
system_facts::OsVersion OsVersionFromRelease(const char* release);

// The running kernel's.
system_facts::OsVersion MachineOsVersion();

}  // namespace posix
