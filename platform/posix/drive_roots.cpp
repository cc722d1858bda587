#include "platform/posix/drive_roots.h"

#include <sys/stat.h>

#include "platform/posix/wine_prefix.h"

namespace posix {

namespace {

std::string WithoutTrailingSlashes(std::string path)
{
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    return path;
}

bool IsDirectory(const std::string& path)
{
    struct stat info {};
    return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

}  // namespace

std::string DriveRootText(char letter)
{
    const std::string prefix = WinePrefix();
    const std::string link = prefix + "/dosdevices/" + letter + ":";
    struct stat info {};
    if (lstat(link.c_str(), &info) == 0) return link + "/";
    if (!IsDirectory(prefix + "/dosdevices") && letter == 'c') return "/";
    return std::string();
}

bool IsDriveRootDirectory(const std::string& directory)
{
    const std::string path = WithoutTrailingSlashes(directory);
    if (path == "/") return true;
    // ".../dosdevices/x:" for any drive letter.
    const std::size_t slash = path.find_last_of('/');
    const std::string name = path.substr(slash + 1);
    if (name.size() != 2 || name[1] != ':') return false;
    const std::string parent = path.substr(0, slash == std::string::npos ? 0 : slash);
    return parent.size() >= 11 && parent.compare(parent.size() - 11, 11, "/dosdevices") == 0;
}

}  // namespace posix
