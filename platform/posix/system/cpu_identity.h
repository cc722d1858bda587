// The processor as Windows describes it in CentralProcessor\N: vendor text,
// family, model and stepping, and the speed in MHz.
#pragma once

#include <cstdint>
#include <string>

#include "platform/posix/win32_types.h"

namespace posix {

struct CpuIdentity {
    std::string vendor;  // "GenuineIntel", "AuthenticAMD", ...
    unsigned family = 0;
    unsigned model = 0;
    unsigned stepping = 0;
};

// From CPUID leaf 1's EAX: the family takes the extended family only when the
// base family is 15; the model takes the extended model (above its four bits)
// only for base families 6 and 15.
CpuIdentity IdentityFromSignature(std::string vendor, uint32_t signature);

// "<arch> Family F Model M Stepping S", arch "Intel64" for GenuineIntel and
// "AMD64" for any other vendor on a 64-bit system, "x86" on a 32-bit one.
std::string ProcessorIdentifier(const CpuIdentity& identity, bool sixtyFourBitSystem);

// This machine's processor: CPUID on x86, /proc/cpuinfo elsewhere. Read once.
const CpuIdentity& MachineCpuIdentity();

// The kernel's machine, not this program's build, decides: a 32-bit program
// on a 64-bit kernel is on a 64-bit system.
bool IsSixtyFourBitSystem();

// cpufreq's cpuinfo_max_freq of cpu0 in MHz, else the integer part of the
// first "cpu MHz" of /proc/cpuinfo; 0 when neither can be read.
DWORD MachineProcessorMhz();

}  // namespace posix
