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
    Sharing lock = Sharing::Readers;  // the lock taken, when open
};

// Never blocks: neither on a FIFO named like a module nor on a lock held
// elsewhere (ERROR_SHARING_VIOLATION). A directory, device, FIFO or socket
// is refused with ERROR_ACCESS_DENIED, as Windows opens none as a file.
OpenedFile OpenForReading(const char* path, Sharing sharing);

// One open for handles of both kinds: the exclusive lock when it can be
// had, else the shared one. So a file another process reads (under a shared
// lock) still gives what a sharing handle may read, and a file held
// exclusively elsewhere gives nothing, as separate opens would.
OpenedFile OpenForEveryReading(const char* path);

}  // namespace posix
