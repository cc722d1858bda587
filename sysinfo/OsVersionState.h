// The probe's process-wide state, zero when the program loads. Only the
// probe and its tests touch it.
#pragma once

#include "platform/win32.h"

extern int g_osVersionProbed;
// As GetVersionExA filled it.
extern OSVERSIONINFOEXA g_reportedOsVersion;
// A copy of it with the corrections; what GetOsVersionInfo hands out.
extern OSVERSIONINFOEXA g_osVersion;

void ProbeOsVersion();
