#include "sysinfo/OsVersionProbe.h"

#include <cstring>

#include "platform/ProcAddress.h"
#include "platform/UniqueHandles.h"
#include "sysinfo/BoundedTextCopy.h"
#include "sysinfo/KernelBuildNumber.h"
#include "sysinfo/OsVersionState.h"
#include "sysinfo/RuntimeFunctions.h"

int g_osVersionProbed = 0;
OSVERSIONINFOEXA g_reportedOsVersion = {};
OSVERSIONINFOEXA g_osVersion = {};

namespace {

bool IsHigher(DWORD major, DWORD minor, const OSVERSIONINFOEXA& than)
{
    return major > than.dwMajorVersion || (major == than.dwMajorVersion && minor > than.dwMinorVersion);
}

// A program that the system treats as written for an older version is told
// that version; the workstation service tells the truth. Returns whether
// its major.minor replaced the reported one.
bool TakeWorkstationVersion()
{
    const platform::UniqueLoadedModule netapi(LoadLibraryA("netapi32.dll"));
    if (!netapi.IsValid()) return false;
    bool corrected = false;
    const auto getInfo = LookUpFunction<NetWkstaGetInfoFn>(netapi.Get(), "NetWkstaGetInfo");
    const auto freeBuffer = LookUpFunction<NetApiBufferFreeFn>(netapi.Get(), "NetApiBufferFree");
    LPBYTE buffer = nullptr;
    if (getInfo && freeBuffer && getInfo(nullptr, 100, &buffer) == NERR_Success && buffer) {
        const auto* workstation = reinterpret_cast<const WKSTA_INFO_100*>(buffer);
        if (IsHigher(workstation->wki100_ver_major, workstation->wki100_ver_minor, g_reportedOsVersion)) {
            g_osVersion.dwMajorVersion = workstation->wki100_ver_major;
            g_osVersion.dwMinorVersion = workstation->wki100_ver_minor;
            if (workstation->wki100_platform_id == PLATFORM_ID_NT) g_osVersion.dwPlatformId = VER_PLATFORM_WIN32_NT;
            corrected = true;
        }
        freeBuffer(buffer);
    }
    return corrected;
}

}  // namespace

void ProbeOsVersion()
{
    g_osVersionProbed = 1;
    std::memset(&g_reportedOsVersion, 0, sizeof g_reportedOsVersion);
    g_reportedOsVersion.dwOSVersionInfoSize = sizeof g_reportedOsVersion;
    GetVersionExA(reinterpret_cast<OSVERSIONINFOA*>(&g_reportedOsVersion));
    std::memcpy(&g_osVersion, &g_reportedOsVersion, sizeof g_osVersion);

    // The reported build belongs to the reported version; a corrected one
    // takes kernel32's.
    if (TakeWorkstationVersion()) TakeBuildNumberFromKernel(g_osVersion);
}

int GetOsVersionInfo(OSVERSIONINFOA* info)
{
    if (!info) return 0;
    if (!g_osVersionProbed) {
        ProbeOsVersion();
        g_osVersionProbed = 1;
    }
    info->dwMajorVersion = g_osVersion.dwMajorVersion;
    info->dwMinorVersion = g_osVersion.dwMinorVersion;
    info->dwBuildNumber = g_osVersion.dwBuildNumber;
    info->dwPlatformId = g_osVersion.dwPlatformId;
    CopyTextBounded(info->szCSDVersion, sizeof info->szCSDVersion, g_osVersion.szCSDVersion,
                    sizeof g_osVersion.szCSDVersion);
    return 1;
}
