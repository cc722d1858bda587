#include "platform/posix/version/file_open_error.h"

#include <cerrno>
#include <string>
#include <sys/stat.h>

namespace version_reader {

namespace {

bool ParentIsDirectory(const std::string& path)
{
    const std::size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) return true;
    const std::string parent = path.substr(0, slash == 0 ? 1 : slash);
    struct stat info {};
    return stat(parent.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

}  // namespace

DWORD Win32ErrorForOpen(int error, const char* path)
{
    switch (error) {
    case ENOENT: return ParentIsDirectory(path) ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND;
    case ENOTDIR:
    case ELOOP: return ERROR_PATH_NOT_FOUND;
    case ENAMETOOLONG: return ERROR_FILENAME_EXCED_RANGE;
    case ENOMEM: return ERROR_NOT_ENOUGH_MEMORY;
    default: return ERROR_ACCESS_DENIED;
    }
}

}  // namespace version_reader
