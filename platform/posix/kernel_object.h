// What a HANDLE of the stand-in points at. CloseHandle destroys the object,
// whatever its kind.
#pragma once

#include "platform/posix/win32_types.h"

namespace posix {

class KernelObject {
public:
    virtual ~KernelObject() = default;
};

class FileObject : public KernelObject {
public:
    explicit FileObject(int fd) : m_fd(fd) {}
    ~FileObject() override;
    int fd() const { return m_fd; }

private:
    int m_fd;
};

inline HANDLE ToHandle(KernelObject* object) { return static_cast<HANDLE>(object); }

// The file object behind a handle, or null when the handle is not a file.
FileObject* FileFromHandle(HANDLE handle);

}  // namespace posix
