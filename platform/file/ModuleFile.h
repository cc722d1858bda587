// One open of a module file, read by offset: its size and last write as at
// the open, and bounded reads. Our own readers of a module (headers, hash,
// signature, imports) go through it, each file opened once, as 7-Zip's
// CInFile is. A POSIX body over the stand-in's open (a regular file only,
// never blocking, share modes as flock) and a Win32 body over CreateFileA
// that refuses what is no disk file (a device named like a module:
// nul.dll, com1.dll), so no read ever waits on a device.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>

#include "platform/win32.h"

namespace platform {

// A flag another thread clears to end a long read at its next block (a
// scan's keep-going flag), so that a stop never waits for a large file.
using KeepReadingFlag = std::atomic<std::int32_t>;

enum class FileSharing {
    Readers,  // other readers may hold it too (FILE_SHARE_READ)
    Nobody,   // shared with nobody, as the engine's reads open a module (share mode 0)
};

class ModuleFile {
public:
    ModuleFile();
    ModuleFile(const char* path, FileSharing sharing);
    ~ModuleFile();
    ModuleFile(ModuleFile&&) noexcept;
    ModuleFile& operator=(ModuleFile&&) noexcept;
    ModuleFile(const ModuleFile&) = delete;
    ModuleFile& operator=(const ModuleFile&) = delete;

    bool IsOpen() const;
    // Why the open failed: the system's code (ERROR_FILE_NOT_FOUND,
    // ERROR_SHARING_VIOLATION, ...); ERROR_ACCESS_DENIED for what is no disk file.
    DWORD OpenError() const { return m_openError; }
    // The path names a device or something else that is no file on a disk:
    // nothing of it is to be read, by us or by the platform's readers.
    bool NotADiskFile() const { return m_notADiskFile; }

    // As at the open.
    std::uint64_t Size() const { return m_size; }
    FILETIME LastWrite() const { return m_lastWrite; }

    // Up to `size` bytes at `offset`, fewer only where the file ends; none
    // when the read fails.
    std::optional<std::size_t> ReadAt(std::uint64_t offset, void* buffer, std::size_t size) const;
    // Exactly `size` bytes at `offset`, or false.
    bool ReadExactly(std::uint64_t offset, void* buffer, std::size_t size) const;

    // Whether the file's size and last write are still those of the open: a
    // pass over the whole file vouches for its bytes only while they are.
    bool Unchanged() const;

    // The open itself, for a reader of the platform that takes one (the
    // stand-in's version functions on POSIX); null when not open.
    struct Body;
    const Body* GetBody() const { return m_body.get(); }

private:
    std::unique_ptr<Body> m_body;
    DWORD m_openError = ERROR_FILE_NOT_FOUND;
    bool m_notADiskFile = false;
    std::uint64_t m_size = 0;
    FILETIME m_lastWrite{};
};

// Whether Windows takes the path's last name for a device whatever folder it
// is in (CON, PRN, AUX, NUL, COM1 to COM9, LPT1 to LPT9, with any extension:
// "com1.dll" opens the serial port); never on POSIX.
bool NamesADosDevice(const char* path);

}  // namespace platform
