#include "platform/posix/system/system_directory.h"

#include <cstdlib>
#include <sys/stat.h>

namespace posix {

std::string SystemDirectoryPath()
{
    std::string prefix;
    if (const char* overridden = std::getenv("WINEPREFIX"); overridden && *overridden) {
        prefix = overridden;
    } else {
        const char* home = std::getenv("HOME");
        prefix = std::string(home ? home : "") + "/.wine";
    }
    const std::string system32 = prefix + "/drive_c/windows/system32";
    struct stat info {};
    if (stat(system32.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) return system32;
    return "/usr/lib";
}

}  // namespace posix
