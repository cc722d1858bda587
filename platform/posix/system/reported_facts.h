// The facts that the system stand-in reports, each read through one function
// here. Shipped programs link machine_facts.cpp, which answers from the
// machine; a test program may link answers of its own instead (the
// MODARIS_INJECTED_FACTS property, see this folder's CMakeLists.txt).
#pragma once

#include <string>
#include <string_view>

#include "platform/posix/system/fact_records.h"

namespace system_facts {

// What GetVersionExA reports.
OsVersion ReportedOsVersion();

// What NetWkstaGetInfo reports at level 100: NERR_Success with `version`
// filled, or the status it fails with.
NET_API_STATUS ReportedWorkstation(WorkstationVersion& version);

// Whether LoadLibraryA and GetModuleHandleA find a module of the module
// table, named by its file name as the table spells it ("netapi32.dll").
bool IsModuleAvailable(std::string_view fileName);

// Whether GetProcAddress finds a function that its module exports.
bool IsFunctionAvailable(std::string_view name);

// The file that GetModuleFileNameA names for kernel32.dll; its version
// resource carries kernel32's product version text.
std::string Kernel32Path();

// What GetSystemInfo counts.
DWORD ReportedProcessorCount();

// The CentralProcessor branch that the registry functions show.
ProcessorRegistry ReportedProcessorRegistry();

}  // namespace system_facts
