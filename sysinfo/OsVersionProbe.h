// The operating system's version, probed once per process: what the system
// reports, corrected to the workstation service's major.minor when that is
// higher, with the build number of kernel32's product version then.
#pragma once

#include "platform/win32.h"

// Fills major, minor, build number, platform id and service-pack text of
// `info` (its size field is left alone); 0 only for a null record.
int GetOsVersionInfo(OSVERSIONINFOA* info);
