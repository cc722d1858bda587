#include "platform/posix/open_for_reading.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include "platform/posix/errno_to_win32.h"

namespace posix {

OpenedFile OpenForReading(const char* path, Sharing sharing)
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
    if (flock(fd, (sharing == Sharing::Nobody ? LOCK_EX : LOCK_SH) | LOCK_NB) != 0) {
        opened.error = errno == EWOULDBLOCK ? ERROR_SHARING_VIOLATION : ERROR_ACCESS_DENIED;
        close(fd);
        return opened;
    }
    opened.fd = fd;
    return opened;
}

}  // namespace posix
