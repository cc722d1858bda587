// The records in which the system stand-in's facts travel: the OS and
// workstation versions and the processor branch of the registry.
#pragma once

#include <map>
#include <string>

#include "platform/posix/win32_types.h"

namespace system_facts {

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

// The workstation service of a system that reports `os`: the same
// major.minor, on platform 500.
WorkstationVersion WorkstationAgreeingWith(const OsVersion& os);

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

}  // namespace system_facts
