// What a HANDLE of the stand-in points at. CloseHandle destroys the object,
// whatever its kind.
#pragma once

#include <cstdint>
#include <optional>
#include <sys/stat.h>

#include "platform/posix/win32_types.h"

namespace posix {

class KernelObject {
public:
    virtual ~KernelObject() = default;
};

class FileObject : public KernelObject {
public:
    // `steady`: the file's status at the open, for a handle under which
    // the file cannot change (see CreateFileA); none otherwise.
    FileObject(int fd, std::optional<struct stat> steady) : m_fd(fd), m_steady(steady) {}
    ~FileObject() override;
    int fd() const { return m_fd; }
    const std::optional<struct stat>& SteadyStatus() const { return m_steady; }

    // The file pointer is kept here and every read names its offset, so a
    // seek followed by a read is one call to the system, not two.
    std::int64_t Position() const { return m_position; }
    void SetPosition(std::int64_t position) { m_position = position; }

private:
    int m_fd;
    std::optional<struct stat> m_steady;
    std::int64_t m_position = 0;
};

inline HANDLE ToHandle(KernelObject* object) { return static_cast<HANDLE>(object); }

// The file object behind a handle, or null when the handle is not a file.
FileObject* FileFromHandle(HANDLE handle);

}  // namespace posix
