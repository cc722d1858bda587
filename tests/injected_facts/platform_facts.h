// Facts of the platform that tests put in place of the machine's, so that the
// system information code meets cases this machine never shows. The stand-in
// only reads them; without overrides it reports the machine.
#pragma once

#include <optional>
#include <set>
#include <string>

#include "platform/posix/system/fact_records.h"

namespace platform_facts {

using OsVersion = system_facts::OsVersion;
using WorkstationVersion = system_facts::WorkstationVersion;
using RegistryValue = system_facts::RegistryValue;
using RegistryValues = system_facts::RegistryValues;
using ProcessorRegistry = system_facts::ProcessorRegistry;
using system_facts::NumberValue;
using system_facts::TextValue;

// Every member left unset means: as the machine is.
struct Overrides {
    std::optional<OsVersion> osVersion;
    // Unset: the workstation service agrees with the reported major.minor and
    // says platform 500.
    std::optional<WorkstationVersion> workstationVersion;
    // Nonzero: NetWkstaGetInfo fails with this status.
    NET_API_STATUS workstationFailure = NERR_Success;
    // The file that GetModuleFileNameA names for kernel32.dll; its version
    // resource carries kernel32's product version text.
    std::optional<std::string> kernel32File;
    // Module file names (any case, "netapi32.dll") that LoadLibraryA and
    // GetModuleHandleA miss.
    std::set<std::string> missingModules;
    // Function names that GetProcAddress misses, in every module.
    std::set<std::string> missingFunctions;
    // What GetSystemInfo counts.
    std::optional<DWORD> processorCount;
    std::optional<ProcessorRegistry> processorRegistry;
};

// Puts `overrides` in force for the whole process; Overrides{} restores the
// machine's facts.
void SetOverrides(const Overrides& overrides);
Overrides CurrentOverrides();

// Overrides for the life of one scope.
class ScopedOverrides {
public:
    explicit ScopedOverrides(const Overrides& overrides) { SetOverrides(overrides); }
    ~ScopedOverrides() { SetOverrides(Overrides{}); }
    ScopedOverrides(const ScopedOverrides&) = delete;
    ScopedOverrides& operator=(const ScopedOverrides&) = delete;
};

}  // namespace platform_facts
