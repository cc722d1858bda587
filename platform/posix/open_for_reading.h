// How the stand-in opens a module file, for CreateFileA and the version
// functions alike: read-only, a regular file only, under a flock that
// models Windows' share modes across processes.
#pragma once

#include <sys/stat.h>

#include "platform/posix/win32_types.h"

namespace posix {

enum class Sharing {
    Nobody,   // an exclusive lock: no other handle of either kind
    Readers,  // a shared lock: other readers, but no handle that shares with nobody
};

struct OpenedFile {
    int fd = -1;  // -1 on failure, `error` then says why
    struct stat status {};
    DWORD error = ERROR_SUCCESS;
};

// Never blocks: neither on a FIFO named like a module nor on a lock held
// elsewhere (ERROR_SHARING_VIOLATION). A directory, device, FIFO or socket
// is refused with ERROR_ACCESS_DENIED, as Windows opens none as a file.
OpenedFile OpenForReading(const char* path, Sharing sharing);

}  // namespace posix
