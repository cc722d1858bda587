#include "platform/posix/system/os_version.h"

#include <cstdlib>
#include <sys/utsname.h>

namespace posix {

namespace {

// Reads a decimal number at `text` and steps over it and one following dot.
DWORD TakeNumber(const char*& text)
{
    char* end = nullptr;
    const unsigned long number = std::strtoul(text, &end, 10);
    text = *end == '.' ? end + 1 : end;
    return static_cast<DWORD>(number);
}

}  // namespace

system_facts::OsVersion OsVersionFromRelease(const char* release)
{
    system_facts::OsVersion version;
    const char* text = release;
    version.major = TakeNumber(text);
    version.minor = TakeNumber(text);
    version.build = TakeNumber(text);
    return version;
}

system_facts::OsVersion MachineOsVersion()
{
    struct utsname names {};
    if (uname(&names) != 0) return {};
    return OsVersionFromRelease(names.release);
}

}  // namespace posix
