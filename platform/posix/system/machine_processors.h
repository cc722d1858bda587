// This machine's processors: how many are online, and the CentralProcessor
// keys that Windows would give them.
#pragma once

#include "platform/posix/system/fact_records.h"

namespace posix {

// Processors online now; at least 1.
DWORD OnlineProcessorCount();

// One key per processor online, each with "Identifier", "VendorIdentifier"
// and "~MHz" (the same in all). Read once: the hardware stays as it is
// while we run.
system_facts::ProcessorRegistry MachineProcessorRegistry();

}  // namespace posix
