// Facts of the platform that tests put in place of the machine's, so that the
// system information code meets cases this machine never shows. The stand-in
// only reads them; without overrides it reports the machine.
#pragma once

#include <map>
#include <optional>
#include <set>
#include <string>

#include "platform/posix/win32_types.h"

namespace platform_facts {

// What GetVersionExA reports.
struct OsVersion {
    DWORD major = 0;
    DWORD minor = 0;
    DWORD build = 0;
    DWORD platformId = VER_PLATFORM_WIN32_NT;
    std::string servicePack;
};

// What NetWkstaGetInfo reports at level 100.
struct WorkstationVersion {
    DWORD major = 0;
    DWORD minor = 0;
    DWORD platformId = PLATFORM_ID_NT;
};

// A registry value as RegQueryValueExA hands it out: its type and its bytes.
struct RegistryValue {
    DWORD type = REG_SZ;
    std::string data;
};
// REG_SZ: the text and its terminating zero.
RegistryValue TextValue(const std::string& text);
// REG_DWORD: four bytes, least significant first.
RegistryValue NumberValue(DWORD number);

// The values of one key by name; names match regardless of case.
using RegistryValues = std::map<std::string, RegistryValue>;

// HKEY_LOCAL_MACHINE\HARDWARE\DESCRIPTION\System\CentralProcessor and its
// sub-keys, named by their number in decimal.
struct ProcessorRegistry {
    bool centralProcessorExists = true;
    std::map<DWORD, RegistryValues> keys;
};

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
    // Module names (any case) that LoadLibraryA and GetModuleHandleA miss.
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
