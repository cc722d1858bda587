// GetVersionExA: the version that the facts report, in either record.
#include <algorithm>
#include <cstddef>
#include <cstring>

#include "platform/posix/system/reported_facts.h"
#include "platform/posix/win32_api.h"

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
    const system_facts::OsVersion version = system_facts::ReportedOsVersion();
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
