// The POSIX body: the stand-in's bounded file (a regular file only, never
// blocking, the share mode as a flock), read with pread.
#include "platform/file/ModuleFile.h"

#include <sys/stat.h>

#include "platform/file/ModuleFileBody_posix.h"
#include "platform/posix/file_times.h"

namespace platform {

ModuleFile::ModuleFile(const char* path, FileSharing sharing)
{
    if (!path || !*path) return;
    auto file = std::make_shared<const version_reader::BoundedFile>(
        path, sharing == FileSharing::Nobody ? posix::Sharing::Nobody : posix::Sharing::Readers);
    if (!file->IsOpen()) {
        m_openError = file->OpenError();
        return;
    }
    m_openError = ERROR_SUCCESS;
    m_size = file->Size();
    m_lastWrite = posix::FileTimeFromTimespec(file->Status().st_mtim);
    m_body = std::make_unique<Body>(Body{std::move(file)});
}

std::optional<std::size_t> ModuleFile::ReadAt(std::uint64_t offset, void* buffer, std::size_t size) const
{
    if (!m_body) return std::nullopt;
    return m_body->file->ReadAtMost(offset, buffer, size);
}

bool ModuleFile::ReadExactly(std::uint64_t offset, void* buffer, std::size_t size) const
{
    return m_body && m_body->file->Read(offset, buffer, size);
}

bool ModuleFile::Unchanged() const
{
    if (!m_body) return false;
    struct stat now {};
    if (fstat(m_body->file->Descriptor(), &now) != 0) return false;
    const struct stat& then = m_body->file->Status();
    return now.st_size == then.st_size && now.st_mtim.tv_sec == then.st_mtim.tv_sec &&
           now.st_mtim.tv_nsec == then.st_mtim.tv_nsec;
}

// A POSIX file system has no device names: "nul.dll" is a file like any other.
bool NamesADosDevice(const char*)
{
    return false;
}

}  // namespace platform
