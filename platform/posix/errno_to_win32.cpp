#include "platform/posix/errno_to_win32.h"

#include <cerrno>
#include <string>
#include <sys/stat.h>

namespace posix {

namespace {

bool ParentIsDirectory(const char* path)
{
    std::string parent(path ? path : "");
    const std::size_t slash = parent.find_last_of('/');
    if (slash == std::string::npos) return true;
    parent.resize(slash == 0 ? 1 : slash);
    struct stat info {};
    return stat(parent.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

}  // namespace

DWORD Win32ErrorFromErrno(int error, const char* path)
{
    switch (error) {
    case ENOENT: return ParentIsDirectory(path) ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND;
    case ENOTDIR: return ERROR_PATH_NOT_FOUND;
    case EACCES:
    case EPERM:
    case EISDIR: return ERROR_ACCESS_DENIED;
    case ENAMETOOLONG: return ERROR_FILENAME_EXCED_RANGE;
    case ELOOP: return ERROR_PATH_NOT_FOUND;
    case EWOULDBLOCK: return ERROR_SHARING_VIOLATION;
    case ENOMEM: return ERROR_NOT_ENOUGH_MEMORY;
    case EBADF: return ERROR_INVALID_HANDLE;
    default: return ERROR_ACCESS_DENIED;
    }
}

}  // namespace posix
