#include "platform/posix/system/system_directory.h"

#include <sys/stat.h>

#include "platform/posix/wine_prefix.h"

namespace posix {

std::string SystemDirectoryPath()
{
    const std::string system32 = WinePrefix() + "/drive_c/windows/system32";
    struct stat info {};
    if (stat(system32.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) return system32;
    return "/usr/lib";
}

std::string SystemModulePath(const char* fileName)
{
    return SystemDirectoryPath() + "/" + fileName;
}

}  // namespace posix
