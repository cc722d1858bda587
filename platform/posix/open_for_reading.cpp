#include "platform/posix/open_for_reading.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include "platform/posix/errno_to_win32.h"

namespace posix {

namespace {

// Opens a regular file read-only, without a lock yet.
OpenedFile OpenUnlocked(const char* path)
{
    OpenedFile opened;
    // On a regular file the non-blocking flag changes nothing.
    const int fd = open(path, O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) {
        opened.error = Win32ErrorFromErrno(errno, path);
        return opened;
    }
    if (fstat(fd, &opened.status) != 0 || !S_ISREG(opened.status.st_mode)) {
        opened.error = ERROR_ACCESS_DENIED;
        close(fd);
        return opened;
    }
    opened.fd = fd;
    return opened;
}

bool Lock(OpenedFile& opened, Sharing sharing)
{
    if (flock(opened.fd, (sharing == Sharing::Nobody ? LOCK_EX : LOCK_SH) | LOCK_NB) == 0) {
        opened.lock = sharing;
        opened.error = ERROR_SUCCESS;
        return true;
    }
    opened.error = errno == EWOULDBLOCK ? ERROR_SHARING_VIOLATION : ERROR_ACCESS_DENIED;
    return false;
}

OpenedFile Failed(OpenedFile opened)
{
    close(opened.fd);
    opened.fd = -1;
    return opened;
}

}  // namespace

OpenedFile OpenForReading(const char* path, Sharing sharing)
{
    OpenedFile opened = OpenUnlocked(path);
    if (opened.fd < 0 || Lock(opened, sharing)) return opened;
    return Failed(opened);
}

OpenedFile OpenForEveryReading(const char* path)
{
    OpenedFile opened = OpenUnlocked(path);
    if (opened.fd < 0 || Lock(opened, Sharing::Nobody)) return opened;
    if (opened.error == ERROR_SHARING_VIOLATION && Lock(opened, Sharing::Readers)) return opened;
    return Failed(opened);
}

}  // namespace posix
