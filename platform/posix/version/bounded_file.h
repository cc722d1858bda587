// A module file opened for reading its headers: every read names its offset
// and length and fails, rather than reads short, when it would pass the end
// of the file. Small reads are served from a few aligned windows of the
// file read whole: headers and resource directories are many small records
// close together, and one read per record is what a scan would spend most
// of its time on.
#pragma once

#include "platform/posix/open_for_reading.h"
#include "platform/posix/win32_types.h"

#include <cstddef>
#include <cstdint>
#include <sys/stat.h>
#include <sys/types.h>

namespace version_reader {

// What tells one state of a file from another without reading it: a file
// written to, replaced or renamed over has another.
struct FileIdentity {
    dev_t device = 0;
    ino_t inode = 0;
    std::uint64_t size = 0;
    long long modifiedSeconds = 0;
    long modifiedNanoseconds = 0;
    long long changedSeconds = 0;
    long changedNanoseconds = 0;

    bool operator==(const FileIdentity& other) const;
};

class BoundedFile {
public:
    // Opens read-only under a shared lock, as Windows' version functions open
    // a module; on failure IsOpen() is false and OpenError() tells why.
    explicit BoundedFile(const char* path);
    // Opens under the lock of `sharing`, as CreateFileA's share mode would.
    BoundedFile(const char* path, posix::Sharing sharing);
    // Opens under the exclusive lock when it can be had, else the shared one
    // (posix::OpenForEveryReading): one open for every read of a module.
    struct ForEveryReading {};
    BoundedFile(const char* path, ForEveryReading);
    ~BoundedFile();
    BoundedFile(const BoundedFile&) = delete;
    BoundedFile& operator=(const BoundedFile&) = delete;

    bool IsOpen() const { return fd_ >= 0; }
    int Descriptor() const { return fd_; }
    DWORD OpenError() const { return openError_; }
    std::uint64_t Size() const { return identity_.size; }
    const FileIdentity& Identity() const { return identity_; }
    // The file's status at the open, and the lock held on it.
    const struct stat& Status() const { return status_; }
    posix::Sharing Lock() const { return lock_; }

    // True when [offset, offset + length) lies inside the file.
    bool Contains(std::uint64_t offset, std::uint64_t length) const;
    // Reads exactly `length` bytes at `offset`; false when they are not all there.
    bool Read(std::uint64_t offset, void* buffer, std::size_t length) const;
    // Reads up to `length` bytes at `offset`, fewer where the file ends, as
    // ReadFile does; how many it read.
    std::size_t ReadAtMost(std::uint64_t offset, void* buffer, std::size_t length) const;

private:
    static constexpr std::size_t kWindowSize = 4096;
    // The headers' window, the resource directory's and the version data's:
    // a bitness probe after the version lookup still finds the first page.
    static constexpr int kWindowCount = 3;
    struct Window {
        std::uint64_t offset = 0;
        std::size_t length = 0;  // 0: nothing read yet
        unsigned char bytes[kWindowSize];
    };

    bool ReadDirect(std::uint64_t offset, void* buffer, std::size_t length) const;
    // Reads until `length` bytes or the end of the file; how many it got.
    std::size_t ReadUpTo(std::uint64_t offset, void* buffer, std::size_t length) const;
    const Window* WindowHolding(std::uint64_t offset, std::size_t length) const;
    const Window* LoadWindowFor(std::uint64_t offset, std::size_t length) const;

    void TakeOpened(const posix::OpenedFile& opened);

    int fd_ = -1;
    DWORD openError_ = ERROR_SUCCESS;
    FileIdentity identity_;
    struct stat status_ {};
    posix::Sharing lock_ = posix::Sharing::Readers;
    mutable Window windows_[kWindowCount];
    mutable int nextWindow_ = 0;
};

}  // namespace version_reader
