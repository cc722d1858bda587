#include "platform/posix/system/os_version.h"

#include <algorithm>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <sys/utsname.h>

#include "platform/posix/win32_api.h"

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

platform_facts::OsVersion OsVersionFromRelease(const char* release)
{
    platform_facts::OsVersion version;
    const char* text = release;
    version.major = TakeNumber(text);
    version.minor = TakeNumber(text);
    version.build = TakeNumber(text);
    return version;
}

platform_facts::OsVersion ReportedOsVersion()
{
    if (auto overridden = platform_facts::CurrentOverrides().osVersion) return *overridden;
    struct utsname names {};
    if (uname(&names) != 0) return {};
    return OsVersionFromRelease(names.release);
}

}  // namespace posix

BOOL GetVersionExA(LPOSVERSIONINFOA versionInfo)
{
    if (!versionInfo) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    // As on Windows, the size field says which of the two records it is.
    const DWORD size = versionInfo->dwOSVersionInfoSize;
    if (size != sizeof(OSVERSIONINFOA) && size != sizeof(OSVERSIONINFOEXA)) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    const platform_facts::OsVersion version = posix::ReportedOsVersion();
    versionInfo->dwMajorVersion = version.major;
    versionInfo->dwMinorVersion = version.minor;
    versionInfo->dwBuildNumber = version.build;
    versionInfo->dwPlatformId = version.platformId;
    std::memset(versionInfo->szCSDVersion, 0, sizeof versionInfo->szCSDVersion);
    std::memcpy(versionInfo->szCSDVersion, version.servicePack.data(),
                std::min(version.servicePack.size(), sizeof versionInfo->szCSDVersion - 1));

    if (size == sizeof(OSVERSIONINFOEXA)) {
        // The extended tail, written as bytes: the caller's record is the
        // extended one, seen through the short one's type. Service-pack
        // numbers and suite mask 0, product type 1 (a workstation).
        auto* tail = reinterpret_cast<unsigned char*>(versionInfo) + sizeof(OSVERSIONINFOA);
        std::memset(tail, 0, sizeof(OSVERSIONINFOEXA) - sizeof(OSVERSIONINFOA));
        tail[offsetof(OSVERSIONINFOEXA, wProductType) - sizeof(OSVERSIONINFOA)] = 1;
    }
    return TRUE;
}
