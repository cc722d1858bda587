// What tells one directory from another however it is reached: the volume
// and the file index, as Windows gives them for a handle. A walk that
// follows junctions and directory links asks for it only at such a link,
// so that it never enters a directory already on the path it walks.
#pragma once

#include <cstdint>
#include <optional>

#include "platform/win32.h"

namespace platform {

struct DirectoryIdentity {
    std::uint32_t volume = 0;
    std::uint64_t index = 0;

    bool operator==(const DirectoryIdentity& other) const { return volume == other.volume && index == other.index; }
};

#ifdef _WIN32

// None when the directory cannot be opened.
inline std::optional<DirectoryIdentity> IdentityOfDirectory(const char* path)
{
    // Attributes only, shared with everyone: no listing or lock is disturbed.
    const HANDLE directory =
        CreateFileA(path, FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                    OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (directory == INVALID_HANDLE_VALUE) return std::nullopt;
    BY_HANDLE_FILE_INFORMATION information;
    const BOOL known = GetFileInformationByHandle(directory, &information);
    CloseHandle(directory);
    if (!known) return std::nullopt;
    return DirectoryIdentity{information.dwVolumeSerialNumber,
                             std::uint64_t{information.nFileIndexHigh} << 32 | information.nFileIndexLow};
}

// A junction, a symbolic link or a mount point: where a walk may loop.
inline bool IsDirectoryLink(DWORD attributes)
{
    return (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

#else

// The POSIX stand-in lists a symbolic link to a directory as no directory,
// so a walk never follows one and cannot loop.
inline std::optional<DirectoryIdentity> IdentityOfDirectory(const char*)
{
    return std::nullopt;
}
inline bool IsDirectoryLink(DWORD)
{
    return false;
}

#endif

}  // namespace platform
