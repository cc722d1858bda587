// A module file opened for reading its headers: every read names its offset
// and length and fails, rather than reads short, when it would pass the end
// of the file.
#pragma once

#include "platform/posix/win32_types.h"

#include <cstddef>
#include <cstdint>

namespace version_reader {

class BoundedFile {
public:
    // Opens read-only under a shared lock, as Windows' version functions open
    // a module; on failure IsOpen() is false and OpenError() tells why.
    explicit BoundedFile(const char* path);
    ~BoundedFile();
    BoundedFile(const BoundedFile&) = delete;
    BoundedFile& operator=(const BoundedFile&) = delete;

    bool IsOpen() const { return fd_ >= 0; }
    DWORD OpenError() const { return openError_; }
    std::uint64_t Size() const { return size_; }

    // True when [offset, offset + length) lies inside the file.
    bool Contains(std::uint64_t offset, std::uint64_t length) const;
    // Reads exactly `length` bytes at `offset`; false when they are not all there.
    bool Read(std::uint64_t offset, void* buffer, std::size_t length) const;

private:
    int fd_ = -1;
    DWORD openError_ = ERROR_SUCCESS;
    std::uint64_t size_ = 0;
};

}  // namespace version_reader
