// Files over POSIX descriptors. Share modes are modelled with flock: a
// handle that shares with nobody holds an exclusive lock, one that shares
// reading a shared lock, so two such handles exclude each other across
// processes as on Windows.
#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/posix/errno_to_win32.h"
#include "platform/posix/file_times.h"
#include "platform/posix/kernel_object.h"
#include "platform/posix/win32_api.h"

namespace posix {

FileObject::~FileObject() { close(m_fd); }

FileObject* FileFromHandle(HANDLE handle)
{
    if (handle == nullptr || handle == INVALID_HANDLE_VALUE) return nullptr;
    return dynamic_cast<FileObject*>(static_cast<KernelObject*>(handle));
}

}  // namespace posix

namespace {

int OpenFlags(DWORD desiredAccess, DWORD creationDisposition)
{
    int flags = O_CLOEXEC | O_NONBLOCK | O_NOCTTY;
    const bool reads = (desiredAccess & GENERIC_READ) != 0;
    const bool writes = (desiredAccess & GENERIC_WRITE) != 0;
    flags |= writes ? (reads ? O_RDWR : O_WRONLY) : O_RDONLY;
    switch (creationDisposition) {
    case CREATE_NEW: flags |= O_CREAT | O_EXCL; break;
    case CREATE_ALWAYS: flags |= O_CREAT | O_TRUNC; break;
    default: break;
    }
    return flags;
}

HANDLE Fail(DWORD error)
{
    SetLastError(error);
    return INVALID_HANDLE_VALUE;
}

// The file's size and times as the handle sees them now.
bool StatusOf(const posix::FileObject& object, struct stat& info)
{
    if (const auto& steady = object.SteadyStatus()) {
        info = *steady;
        return true;
    }
    return fstat(object.fd(), &info) == 0;
}

}  // namespace

HANDLE CreateFileA(LPCSTR fileName, DWORD desiredAccess, DWORD shareMode,
                   LPSECURITY_ATTRIBUTES, DWORD creationDisposition, DWORD, HANDLE)
{
    if (!fileName || !*fileName) return Fail(ERROR_PATH_NOT_FOUND);
    // Non-blocking, so that a FIFO named like a module cannot stall the scan.
    // Only regular files are kept, and on those the flag changes nothing.
    const int fd = open(fileName, OpenFlags(desiredAccess, creationDisposition), 0644);
    if (fd < 0) return Fail(posix::Win32ErrorFromErrno(errno, fileName));

    struct stat info {};
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        // Windows opens no directory without backup semantics, and has no
        // devices, FIFOs or sockets among files.
        close(fd);
        return Fail(ERROR_ACCESS_DENIED);
    }
    const bool sharesReading = (shareMode & FILE_SHARE_READ) != 0;
    if (flock(fd, (sharesReading ? LOCK_SH : LOCK_EX) | LOCK_NB) != 0) {
        close(fd);
        return Fail(ERROR_SHARING_VIOLATION);
    }
    // A handle that reads and shares with nobody holds the only open the
    // file has: as on Windows, nothing can change its size or times while
    // it is open, so they need not be asked for again. Each inspection
    // opens a module this way twice and asks once each time.
    const bool steady = (desiredAccess & GENERIC_WRITE) == 0 && shareMode == 0;
    SetLastError(ERROR_SUCCESS);
    return posix::ToHandle(new posix::FileObject(fd, steady ? std::optional<struct stat>(info) : std::nullopt));
}

BOOL GetFileSizeEx(HANDLE file, PLARGE_INTEGER fileSize)
{
    posix::FileObject* object = posix::FileFromHandle(file);
    struct stat info {};
    if (!object || !fileSize || !StatusOf(*object, info)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    fileSize->QuadPart = info.st_size;
    return TRUE;
}

DWORD GetFileSize(HANDLE file, LPDWORD fileSizeHigh)
{
    LARGE_INTEGER size;
    if (!GetFileSizeEx(file, &size)) return INVALID_FILE_SIZE;
    const auto bytes = static_cast<uint64_t>(size.QuadPart);
    if (fileSizeHigh) *fileSizeHigh = static_cast<DWORD>(bytes >> 32);
    SetLastError(ERROR_SUCCESS);
    return static_cast<DWORD>(bytes);
}

BOOL SetFilePointerEx(HANDLE file, LARGE_INTEGER distance, PLARGE_INTEGER newPointer,
                      DWORD moveMethod)
{
    posix::FileObject* object = posix::FileFromHandle(file);
    if (!object) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    std::int64_t base = 0;
    if (moveMethod == FILE_CURRENT) base = object->Position();
    if (moveMethod == FILE_END) {
        struct stat info {};
        if (!StatusOf(*object, info)) {
            SetLastError(ERROR_INVALID_HANDLE);
            return FALSE;
        }
        base = info.st_size;
    }
    std::int64_t position = 0;
    if (__builtin_add_overflow(base, static_cast<std::int64_t>(distance.QuadPart), &position) || position < 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    object->SetPosition(position);
    if (newPointer) newPointer->QuadPart = position;
    return TRUE;
}

BOOL ReadFile(HANDLE file, LPVOID buffer, DWORD bytesToRead, LPDWORD bytesRead, LPOVERLAPPED)
{
    if (bytesRead) *bytesRead = 0;
    posix::FileObject* object = posix::FileFromHandle(file);
    if (!object || (!buffer && bytesToRead)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    // A disk file gives all that is asked unless the end comes first.
    auto* target = static_cast<char*>(buffer);
    DWORD total = 0;
    BOOL result = TRUE;
    while (total < bytesToRead) {
        const ssize_t got =
            pread(object->fd(), target + total, bytesToRead - total, static_cast<off_t>(object->Position() + total));
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) {
            SetLastError(posix::Win32ErrorFromErrno(errno, nullptr));
            result = FALSE;
            break;
        }
        if (got == 0) break;
        total += static_cast<DWORD>(got);
    }
    object->SetPosition(object->Position() + total);
    if (bytesRead) *bytesRead = total;
    return result;
}

BOOL GetFileTime(HANDLE file, LPFILETIME creationTime, LPFILETIME lastAccessTime,
                 LPFILETIME lastWriteTime)
{
    posix::FileObject* object = posix::FileFromHandle(file);
    struct stat info {};
    if (!object || !StatusOf(*object, info)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    // POSIX keeps no creation time in stat; the status-change time is the
    // nearest it has.
    if (creationTime) *creationTime = posix::FileTimeFromTimespec(info.st_ctim);
    if (lastAccessTime) *lastAccessTime = posix::FileTimeFromTimespec(info.st_atim);
    if (lastWriteTime) *lastWriteTime = posix::FileTimeFromTimespec(info.st_mtim);
    return TRUE;
}

BOOL CloseHandle(HANDLE object)
{
    if (object == nullptr || object == INVALID_HANDLE_VALUE) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    delete static_cast<posix::KernelObject*>(object);
    return TRUE;
}

DWORD GetFileAttributesA(LPCSTR fileName)
{
    struct stat info {};
    if (!fileName || !*fileName) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return INVALID_FILE_ATTRIBUTES;
    }
    if (stat(fileName, &info) != 0) {
        SetLastError(posix::Win32ErrorFromErrno(errno, fileName));
        return INVALID_FILE_ATTRIBUTES;
    }
    if (S_ISDIR(info.st_mode)) return FILE_ATTRIBUTE_DIRECTORY;
    DWORD attributes = FILE_ATTRIBUTE_ARCHIVE;
    if (access(fileName, W_OK) != 0) attributes |= FILE_ATTRIBUTE_READONLY;
    return attributes;
}

BOOL DeleteFileA(LPCSTR fileName)
{
    struct stat info {};
    if (!fileName || lstat(fileName, &info) != 0) {
        SetLastError(posix::Win32ErrorFromErrno(errno, fileName));
        return FALSE;
    }
    if (S_ISDIR(info.st_mode) || unlink(fileName) != 0) {
        SetLastError(S_ISDIR(info.st_mode) ? ERROR_ACCESS_DENIED : posix::Win32ErrorFromErrno(errno, fileName));
        return FALSE;
    }
    return TRUE;
}
