// How many processors the stand-in counts, and the CentralProcessor keys of
// its registry.
#pragma once

#include "platform/posix/system/platform_facts.h"

namespace posix {

// Processors online now; at least 1.
DWORD OnlineProcessorCount();

// The count that GetSystemInfo reports: the override, else the online one.
DWORD ReportedProcessorCount();

// The overridden keys, else the machine's: one key per processor online,
// each with "Identifier", "VendorIdentifier" and "~MHz" (the same in all).
platform_facts::ProcessorRegistry ProcessorRegistryView();

}  // namespace posix
