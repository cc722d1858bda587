// Module files, opened for reading only: the engine reads modules and
// writes nothing. Share modes are modelled with flock (open_for_reading.h),
// so two handles exclude each other across processes as on Windows.
#include <cerrno>
#include <cstdint>
#include <memory>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/posix/errno_to_win32.h"
#include "platform/posix/file_times.h"
#include "platform/posix/handle_table.h"
#include "platform/posix/open_for_reading.h"
#include "platform/posix/win32_api.h"

namespace {

class FileObject {
public:
    static constexpr posix::HandleKind kHandleKind = posix::HandleKind::File;

    // `steady`: the file's status at the open, for a handle under which
    // the file cannot change (see CreateFileA); none otherwise.
    FileObject(int fd, std::optional<struct stat> steady) : m_fd(fd), m_steady(steady) {}
    ~FileObject()
    {
        if (m_fd >= 0) close(m_fd);
    }
    FileObject(const FileObject&) = delete;
    FileObject& operator=(const FileObject&) = delete;

    int fd() const { return m_fd; }

    // The file's size and times as the handle sees them now.
    bool Status(struct stat& info) const
    {
        if (m_steady) {
            info = *m_steady;
            return true;
        }
        return fstat(m_fd, &info) == 0;
    }

    // The file pointer is kept here and every read names its offset, so a
    // seek followed by a read is one call to the system, not two.
    std::int64_t Position() const { return m_position; }
    void SetPosition(std::int64_t position) { m_position = position; }

private:
    int m_fd;
    std::optional<struct stat> m_steady;
    std::int64_t m_position = 0;
};

HANDLE Fail(DWORD error)
{
    SetLastError(error);
    return INVALID_HANDLE_VALUE;
}

}  // namespace

HANDLE CreateFileA(LPCSTR fileName, DWORD desiredAccess, DWORD shareMode, LPSECURITY_ATTRIBUTES,
                   DWORD creationDisposition, DWORD, HANDLE)
{
    if (!fileName || !*fileName) return Fail(ERROR_PATH_NOT_FOUND);
    if (desiredAccess != GENERIC_READ || creationDisposition != OPEN_EXISTING) return Fail(ERROR_INVALID_PARAMETER);
    const bool sharesReading = (shareMode & FILE_SHARE_READ) != 0;
    const posix::OpenedFile opened =
        posix::OpenForReading(fileName, sharesReading ? posix::Sharing::Readers : posix::Sharing::Nobody);
    if (opened.fd < 0) return Fail(opened.error);
    // A handle that shares with nobody holds the only open the file has: as
    // on Windows, nothing can change its size or times while it is open, so
    // they need not be asked for again.
    const bool steady = shareMode == 0;
    SetLastError(ERROR_SUCCESS);
    return posix::AddHandle(
        std::make_shared<FileObject>(opened.fd, steady ? std::optional(opened.status) : std::nullopt));
}

BOOL GetFileSizeEx(HANDLE file, PLARGE_INTEGER fileSize)
{
    const auto object = posix::FindHandle<FileObject>(file);
    struct stat info {};
    if (!object || !fileSize || !object->Status(info)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    fileSize->QuadPart = info.st_size;
    return TRUE;
}

// From the start of the file only: the engine seeks to absolute offsets.
BOOL SetFilePointerEx(HANDLE file, LARGE_INTEGER distance, PLARGE_INTEGER newPointer, DWORD moveMethod)
{
    const auto object = posix::FindHandle<FileObject>(file);
    if (!object) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (moveMethod != FILE_BEGIN || distance.QuadPart < 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    object->SetPosition(distance.QuadPart);
    if (newPointer) newPointer->QuadPart = distance.QuadPart;
    return TRUE;
}

BOOL ReadFile(HANDLE file, LPVOID buffer, DWORD bytesToRead, LPDWORD bytesRead, LPOVERLAPPED)
{
    if (bytesRead) *bytesRead = 0;
    const auto object = posix::FindHandle<FileObject>(file);
    if (!object || (!buffer && bytesToRead)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
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

BOOL GetFileTime(HANDLE file, LPFILETIME creationTime, LPFILETIME lastAccessTime, LPFILETIME lastWriteTime)
{
    const auto object = posix::FindHandle<FileObject>(file);
    struct stat info {};
    if (!object || !object->Status(info)) {
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

// Files and threads; listings close with FindClose and keys with RegCloseKey.
BOOL CloseHandle(HANDLE object)
{
    if (!posix::RemoveHandle(object, {posix::HandleKind::File, posix::HandleKind::Thread})) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    return TRUE;
}
