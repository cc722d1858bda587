// For tests: forgets the probe, so that the next GetOsVersionInfo probes
// again as in a new process.
#pragma once

#include <cstring>

#include "sysinfo/OsVersionState.h"

inline void ResetOsVersionProbe()
{
    g_osVersionProbed = 0;
    std::memset(&g_reportedOsVersion, 0, sizeof g_reportedOsVersion);
    std::memset(&g_osVersion, 0, sizeof g_osVersion);
}
