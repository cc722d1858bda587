#include "platform/posix/version/bounded_file.h"

#include "platform/posix/open_for_reading.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace version_reader {

bool FileIdentity::operator==(const FileIdentity& other) const
{
    return device == other.device && inode == other.inode && size == other.size &&
           modifiedSeconds == other.modifiedSeconds && modifiedNanoseconds == other.modifiedNanoseconds &&
           changedSeconds == other.changedSeconds && changedNanoseconds == other.changedNanoseconds;
}

BoundedFile::BoundedFile(const char* path)
{
    // Windows' version functions open a module sharing reading: a handle
    // that shares with nobody keeps them out.
    TakeOpened(posix::OpenForReading(path, posix::Sharing::Readers));
}

BoundedFile::BoundedFile(const char* path, posix::Sharing sharing)
{
    TakeOpened(posix::OpenForReading(path, sharing));
}

BoundedFile::BoundedFile(const char* path, ForEveryReading)
{
    TakeOpened(posix::OpenForEveryReading(path));
}

void BoundedFile::TakeOpened(const posix::OpenedFile& opened)
{
    if (opened.fd < 0) {
        openError_ = opened.error;
        return;
    }
    const struct stat& info = opened.status;
    fd_ = opened.fd;
    status_ = info;
    lock_ = opened.lock;
    identity_.device = info.st_dev;
    identity_.inode = info.st_ino;
    identity_.size = static_cast<std::uint64_t>(info.st_size);
    identity_.modifiedSeconds = info.st_mtim.tv_sec;
    identity_.modifiedNanoseconds = info.st_mtim.tv_nsec;
    identity_.changedSeconds = info.st_ctim.tv_sec;
    identity_.changedNanoseconds = info.st_ctim.tv_nsec;
}

BoundedFile::~BoundedFile()
{
    if (fd_ >= 0) close(fd_);  // also drops the lock
}

bool BoundedFile::Contains(std::uint64_t offset, std::uint64_t length) const
{
    return offset <= identity_.size && length <= identity_.size - offset;
}

bool BoundedFile::Read(std::uint64_t offset, void* buffer, std::size_t length) const
{
    if (!IsOpen() || !Contains(offset, length)) return false;
    if (length > kWindowSize) return ReadDirect(offset, buffer, length);
    const Window* window = WindowHolding(offset, length);
    if (!window) window = LoadWindowFor(offset, length);
    if (!window) return false;
    if (length > 0) std::memcpy(buffer, window->bytes + (offset - window->offset), length);
    return true;
}

std::size_t BoundedFile::ReadAtMost(std::uint64_t offset, void* buffer, std::size_t length) const
{
    if (!IsOpen() || offset >= identity_.size) return 0;
    const std::size_t inFile = static_cast<std::size_t>(std::min<std::uint64_t>(length, identity_.size - offset));
    if (inFile <= kWindowSize && Read(offset, buffer, inFile)) return inFile;
    // A large read, or a file that shrank: read as the file is now.
    return ReadUpTo(offset, buffer, inFile);
}

bool BoundedFile::ReadDirect(std::uint64_t offset, void* buffer, std::size_t length) const
{
    return ReadUpTo(offset, buffer, length) == length;
}

std::size_t BoundedFile::ReadUpTo(std::uint64_t offset, void* buffer, std::size_t length) const
{
    auto* out = static_cast<unsigned char*>(buffer);
    std::size_t done = 0;
    while (done < length) {
        const ssize_t got = pread(fd_, out + done, length - done, static_cast<off_t>(offset + done));
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) break;  // the file shrank under us
        done += static_cast<std::size_t>(got);
    }
    return done;
}

const BoundedFile::Window* BoundedFile::WindowHolding(std::uint64_t offset, std::size_t length) const
{
    for (const Window& window : windows_) {
        if (window.length > 0 && offset >= window.offset && offset - window.offset <= window.length &&
            length <= window.length - (offset - window.offset)) {
            return &window;
        }
    }
    return nullptr;
}

// Reads the aligned window around the request, or one starting at it when
// the request crosses a window boundary; a window ends at the file's end.
const BoundedFile::Window* BoundedFile::LoadWindowFor(std::uint64_t offset, std::size_t length) const
{
    std::uint64_t start = offset - offset % kWindowSize;
    if (offset + length > start + kWindowSize) start = offset;
    const std::size_t wanted = static_cast<std::size_t>(std::min<std::uint64_t>(kWindowSize, identity_.size - start));

    Window& window = windows_[nextWindow_];
    nextWindow_ = (nextWindow_ + 1) % kWindowCount;
    const std::size_t done = ReadUpTo(start, window.bytes, wanted);  // short when the file shrank
    window.offset = start;
    window.length = done;
    if (offset + length > start + done) return nullptr;
    return &window;
}

}  // namespace version_reader
