#include "platform/posix/version/bounded_file.h"

#include "platform/posix/errno_to_win32.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace version_reader {

BoundedFile::BoundedFile(const char* path)
{
    // Non-blocking, so that a FIFO named like a module cannot stall a scan;
    // only regular files are read below.
    const int fd = open(path, O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) {
        openError_ = posix::Win32ErrorFromErrno(errno, path);
        return;
    }
    struct stat info {};
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        // Windows refuses to open a directory as a file with "access denied".
        openError_ = ERROR_ACCESS_DENIED;
        close(fd);
        return;
    }
    // CreateFileA without FILE_SHARE_READ holds an exclusive flock; Windows
    // then refuses a second reader with a sharing violation.
    if (flock(fd, LOCK_SH | LOCK_NB) != 0) {
        openError_ = errno == EWOULDBLOCK ? ERROR_SHARING_VIOLATION : ERROR_ACCESS_DENIED;
        close(fd);
        return;
    }
    fd_ = fd;
    size_ = static_cast<std::uint64_t>(info.st_size);
}

BoundedFile::~BoundedFile()
{
    if (fd_ >= 0) close(fd_);  // also drops the lock
}

bool BoundedFile::Contains(std::uint64_t offset, std::uint64_t length) const
{
    return offset <= size_ && length <= size_ - offset;
}

bool BoundedFile::Read(std::uint64_t offset, void* buffer, std::size_t length) const
{
    if (!IsOpen() || !Contains(offset, length)) return false;
    auto* out = static_cast<unsigned char*>(buffer);
    std::size_t done = 0;
    while (done < length) {
        const ssize_t got = pread(fd_, out + done, length - done, static_cast<off_t>(offset + done));
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) return false;  // the file shrank under us
        done += static_cast<std::size_t>(got);
    }
    return true;
}

}  // namespace version_reader
