#include <cstdio>

#include "engine/ScanEngine.h"
#include "sysinfo/OsVersionProbe.h"

void CScanEngine::AddOsVersionRows()
{
    OSVERSIONINFOA version = {};
    version.dwOSVersionInfoSize = sizeof version;
    GetOsVersionInfo(&version);

    char text[32];
    std::snprintf(text, sizeof text, "%d.%02d", static_cast<int>(version.dwMajorVersion),
                  static_cast<int>(version.dwMinorVersion));
    AddResult(nullptr, nullptr, "OS Version", text, nullptr);
    std::snprintf(text, sizeof text, "%d", static_cast<int>(version.dwBuildNumber));
    AddResult(nullptr, nullptr, "Build Number", text, nullptr);
    std::snprintf(text, sizeof text, "%d", static_cast<int>(version.dwPlatformId));
    AddResult(nullptr, nullptr, "Platform Id", text, nullptr);
    AddResult(nullptr, nullptr, "Service Pack", version.szCSDVersion, nullptr);
}
