#include "platform/posix/system/cpu_identity.h"

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sys/utsname.h>

#if defined(__i386__) || defined(__x86_64__)
#include <cpuid.h>
#endif

namespace posix {

namespace {

// The value of the first "name : value" line of /proc/cpuinfo with this
// name, or the empty text.
std::string CpuInfoField(const std::string& name)
{
    std::ifstream cpuInfo("/proc/cpuinfo");
    std::string line;
    while (std::getline(cpuInfo, line)) {
        const std::size_t colon = line.find(':');
        if (colon == std::string::npos) continue;
        std::string key = line.substr(0, colon);
        while (!key.empty() && (key.back() == ' ' || key.back() == '\t')) key.pop_back();
        if (key != name) continue;
        const std::size_t value = line.find_first_not_of(' ', colon + 1);
        return value == std::string::npos ? std::string() : line.substr(value);
    }
    return std::string();
}

unsigned CpuInfoNumber(const std::string& name)
{
    return static_cast<unsigned>(std::strtoul(CpuInfoField(name).c_str(), nullptr, 10));
}

CpuIdentity ReadCpuIdentity()
{
#if defined(__i386__) || defined(__x86_64__)
    unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
    if (__get_cpuid(0, &eax, &ebx, &ecx, &edx)) {
        char vendor[13] = {};
        std::memcpy(vendor, &ebx, 4);
        std::memcpy(vendor + 4, &edx, 4);
        std::memcpy(vendor + 8, &ecx, 4);
        unsigned signature = 0;
        if (__get_cpuid(1, &eax, &ebx, &ecx, &edx)) signature = eax;
        return IdentityFromSignature(vendor, signature);
    }
#endif
    // Linux has already combined the extended parts in these fields.
    CpuIdentity identity;
    identity.vendor = CpuInfoField("vendor_id");
    identity.family = CpuInfoNumber("cpu family");
    identity.model = CpuInfoNumber("model");
    identity.stepping = CpuInfoNumber("stepping");
    return identity;
}

}  // namespace

CpuIdentity IdentityFromSignature(std::string vendor, uint32_t signature)
{
    CpuIdentity identity;
    identity.vendor = std::move(vendor);
    const unsigned baseFamily = (signature >> 8) & 0xF;
    identity.family = baseFamily;
    if (baseFamily == 15) identity.family += (signature >> 20) & 0xFF;
    identity.model = (signature >> 4) & 0xF;
    if (baseFamily == 6 || baseFamily == 15) identity.model += ((signature >> 16) & 0xF) << 4;
    identity.stepping = signature & 0xF;
    return identity;
}

std::string ProcessorIdentifier(const CpuIdentity& identity, bool sixtyFourBitSystem)
{
    const char* arch = !sixtyFourBitSystem ? "x86" : identity.vendor == "GenuineIntel" ? "Intel64" : "AMD64";
    return std::string(arch) + " Family " + std::to_string(identity.family) + " Model " +
           std::to_string(identity.model) + " Stepping " + std::to_string(identity.stepping);
}

const CpuIdentity& MachineCpuIdentity()
{
    static const CpuIdentity identity = ReadCpuIdentity();
    return identity;
}

bool IsSixtyFourBitSystem()
{
    struct utsname names {};
    if (uname(&names) != 0) return sizeof(void*) == 8;
    return std::strstr(names.machine, "64") != nullptr;
}

DWORD MachineProcessorMhz()
{
    std::ifstream maximum("/sys/devices/system/cpu/cpu0/cpufreq/cpuinfo_max_freq");
    unsigned long kilohertz = 0;
    if (maximum >> kilohertz) return static_cast<DWORD>(kilohertz / 1000);
    return static_cast<DWORD>(std::strtoul(CpuInfoField("cpu MHz").c_str(), nullptr, 10));
}

}  // namespace posix
