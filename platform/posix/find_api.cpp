// Directory listing over opendir/readdir. A listing is read whole when it
// starts and handed out in the order Windows would give, so that rows are
// deterministic and match the Windows build on the same tree.
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <string>
#include <sys/stat.h>
#include <vector>

#include "platform/posix/directory_order.h"
#include "platform/posix/drive_roots.h"
#include "platform/posix/errno_to_win32.h"
#include "platform/posix/win32_api.h"

namespace {

struct Entry {
    std::string name;
    bool isDirectory;
};

struct FindListing {
    std::vector<Entry> entries;
    std::size_t next = 0;
};

// Splits "dir/*.*" into the directory to list and the name pattern.
void SplitPattern(const std::string& pattern, std::string& directory, std::string& namePattern)
{
    const std::size_t slash = pattern.find_last_of('/');
    if (slash == std::string::npos) {
        directory = ".";
        namePattern = pattern;
        return;
    }
    directory = pattern.substr(0, slash + 1);
    namePattern = pattern.substr(slash + 1);
}

bool MatchesEverything(const std::string& namePattern)
{
    return namePattern == "*" || namePattern == "*.*";
}

enum class EntryKind { File, Directory, LinkToDirectory };

// A symbolic link is never a directory here, so a walk cannot loop. A link
// to a directory is no file either: it is left out of the listing, or a
// link named like a module would be read as one.
EntryKind KindOf(const std::string& directory, const dirent& entry)
{
    if (entry.d_type == DT_DIR) return EntryKind::Directory;
    if (entry.d_type != DT_UNKNOWN && entry.d_type != DT_LNK) return EntryKind::File;
    struct stat info {};
    const std::string path = directory + entry.d_name;
    if (lstat(path.c_str(), &info) != 0) return EntryKind::File;
    if (S_ISDIR(info.st_mode)) return EntryKind::Directory;
    if (!S_ISLNK(info.st_mode)) return EntryKind::File;
    return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode) ? EntryKind::LinkToDirectory : EntryKind::File;
}

void Fill(const Entry& entry, LPWIN32_FIND_DATAA findData)
{
    std::memset(findData, 0, sizeof *findData);
    findData->dwFileAttributes = entry.isDirectory ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_ARCHIVE;
    const std::size_t length = std::min(entry.name.size(), sizeof findData->cFileName - 1);
    std::memcpy(findData->cFileName, entry.name.data(), length);
}

}  // namespace

HANDLE FindFirstFileA(LPCSTR pattern, LPWIN32_FIND_DATAA findData)
{
    if (!pattern || !findData) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }
    std::string directory;
    std::string namePattern;
    SplitPattern(pattern, directory, namePattern);

    DIR* stream = opendir(directory.c_str());
    if (!stream) {
        SetLastError(posix::Win32ErrorFromErrno(errno, directory.c_str()));
        return INVALID_HANDLE_VALUE;
    }
    auto* listing = new FindListing;
    std::vector<Entry> named;
    bool hasDot = false;
    bool hasDotDot = false;
    const bool everything = MatchesEverything(namePattern);
    while (const dirent* entry = readdir(stream)) {
        const std::string name = entry->d_name;
        if (name == ".") { hasDot = true; continue; }
        if (name == "..") { hasDotDot = true; continue; }
        if (!everything && name != namePattern) continue;
        const EntryKind kind = KindOf(directory, *entry);
        if (kind == EntryKind::LinkToDirectory) continue;
        named.push_back(Entry{name, kind == EntryKind::Directory});
    }
    closedir(stream);

    std::sort(named.begin(), named.end(), [](const Entry& a, const Entry& b) {
        return posix::ComesBeforeInDirectoryOrder(a.name, b.name);
    });
    // Windows gives "." and ".." first, except at the root of a drive.
    if (everything && !posix::IsDriveRootDirectory(directory)) {
        if (hasDot) listing->entries.push_back(Entry{".", true});
        if (hasDotDot) listing->entries.push_back(Entry{"..", true});
    }
    listing->entries.insert(listing->entries.end(), named.begin(), named.end());

    if (listing->entries.empty()) {
        delete listing;
        SetLastError(ERROR_FILE_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    Fill(listing->entries[0], findData);
    listing->next = 1;
    return static_cast<HANDLE>(listing);
}

BOOL FindNextFileA(HANDLE findFile, LPWIN32_FIND_DATAA findData)
{
    auto* listing = static_cast<FindListing*>(findFile);
    if (!listing || findFile == INVALID_HANDLE_VALUE || !findData) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (listing->next >= listing->entries.size()) {
        SetLastError(ERROR_NO_MORE_FILES);
        return FALSE;
    }
    Fill(listing->entries[listing->next++], findData);
    return TRUE;
}

BOOL FindClose(HANDLE findFile)
{
    if (!findFile || findFile == INVALID_HANDLE_VALUE) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    delete static_cast<FindListing*>(findFile);
    return TRUE;
}
