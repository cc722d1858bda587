#include <cstdio>

#include "sysinfo/OsVersionProbe.h"
#include "sysinfo/SystemInfoRow.h"

std::vector<SystemInfoRow> OsVersionRows()
{
    OSVERSIONINFOA version = {};
    version.dwOSVersionInfoSize = sizeof version;
    GetOsVersionInfo(&version);

    char text[32];
    std::vector<SystemInfoRow> rows;
    std::snprintf(text, sizeof text, "%d.%02d", static_cast<int>(version.dwMajorVersion),
                  static_cast<int>(version.dwMinorVersion));
    rows.push_back({"OS Version", text, std::nullopt});
    std::snprintf(text, sizeof text, "%d", static_cast<int>(version.dwBuildNumber));
    rows.push_back({"Build Number", text, std::nullopt});
    std::snprintf(text, sizeof text, "%d", static_cast<int>(version.dwPlatformId));
    rows.push_back({"Platform Id", text, std::nullopt});
    rows.push_back({"Service Pack", version.szCSDVersion, std::nullopt});
    return rows;
}
