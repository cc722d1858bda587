// Directory listing over getdents64, handed out in the order Windows would
// give, so that rows are deterministic and match the Windows build on the
// same tree. A directory costs an open, the reads of its entries into one
// large buffer and a close: no stat, as the entry's type comes with its
// name (a symbolic link alone is looked at, relative to the open directory). A listing holds a bounded number of names: a large
// directory is read again for each next batch of names in that order, so a
// walk's memory does not depend on the size of the directories it meets.
// The directory is closed between passes, so a deep walk holds no
// descriptor per level.
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/posix/directory_order.h"
#include "platform/posix/drive_roots.h"
#include "platform/posix/errno_to_win32.h"
#include "platform/posix/handle_table.h"
#include "platform/posix/listing_interest.h"
#include "platform/posix/win32_api.h"

namespace {

enum EntryKind : unsigned char { kFile, kDirectory, kLinkToDirectory };

struct FindListing {
    static constexpr posix::HandleKind kHandleKind = posix::HandleKind::FindListing;

    std::string directory;
    bool dotToGive = false;
    bool dotDotToGive = false;
    posix::NextNamesInOrder batch{posix::kNamesPerListingPass, posix::kNameBytesPerListingPass};
    std::size_t next = 0;
    bool lastPass = false;
    // The walker's interest when the listing opened: every pass leaves out
    // the same links.
    posix::WantedFileName wanted = nullptr;
    const void* wantedContext = nullptr;
};

// The directory of "dir/*.*" or "dir/*", with its slash; false for any other
// pattern: the engine only ever lists whole directories.
bool DirectoryToList(const std::string& pattern, std::string& directory)
{
    const std::size_t slash = pattern.find_last_of('/');
    const std::string names = pattern.substr(slash == std::string::npos ? 0 : slash + 1);
    if (names != "*.*" && names != "*") return false;
    directory = slash == std::string::npos ? "./" : pattern.substr(0, slash + 1);
    return true;
}

// The entries of a directory are read into one buffer per thread, large
// enough that nearly every directory takes one read and the read that says
// it ended: a few hundred thousand bytes, held for the thread's life.
constexpr std::size_t kEntryBufferBytes = 256 * 1024;

char* EntryBuffer()
{
    thread_local const std::unique_ptr<char[]> buffer(new char[kEntryBufferBytes]);
    return buffer.get();
}

int OpenDirectory(const std::string& directory)
{
    return open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NOCTTY);
}

// A symbolic link is never a directory here, so a walk cannot loop. A link
// to a directory is no file either: it is left out of the listing, or a
// link named like a module would be read as one. Asked relative to the open
// directory, and only for what the entry's type leaves open.
EntryKind KindOf(int directoryFd, std::string_view entryName, unsigned char type)
{
    if (type == DT_DIR) return kDirectory;
    if (type != DT_UNKNOWN && type != DT_LNK) return kFile;
    const std::string name(entryName);
    struct stat info {};
    if (type == DT_UNKNOWN) {
        if (fstatat(directoryFd, name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0) return kFile;
        if (S_ISDIR(info.st_mode)) return kDirectory;
        if (!S_ISLNK(info.st_mode)) return kFile;
    }
    return fstatat(directoryFd, name.c_str(), &info, 0) == 0 && S_ISDIR(info.st_mode) ? kLinkToDirectory : kFile;
}

// One pass over the open directory: keeps the next batch of names after the
// last one handed out (after none on the first pass), and learns of "." and
// "..". Entries that cannot be read end the pass, as readdir ends there.
void ReadPass(int fd, FindListing& listing, const std::string* after, bool& hasDot, bool& hasDotDot)
{
    listing.batch.StartPass(after);
    char* const buffer = EntryBuffer();
    for (;;) {
        const ssize_t got = getdents64(fd, buffer, kEntryBufferBytes);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) break;
        for (ssize_t at = 0; at < got;) {
            const auto* entry = reinterpret_cast<const dirent64*>(buffer + at);
            at += entry->d_reclen;
            const char* name = entry->d_name;
            if (name[0] == '.' && name[1] == 0) { hasDot = true; continue; }
            if (name[0] == '.' && name[1] == '.' && name[2] == 0) { hasDotDot = true; continue; }
            if (entry->d_type == DT_LNK && listing.wanted && !listing.wanted(name, listing.wantedContext)) continue;
            listing.batch.Offer(name, entry->d_type);
        }
    }
    listing.lastPass = listing.batch.FinishPass();
    // Resolved once the batch is known, so a link is looked at only once.
    for (std::size_t i = 0; i < listing.batch.Count(); ++i)
        listing.batch.SetTag(i, KindOf(fd, listing.batch.Name(i), listing.batch.Tag(i)));
    listing.next = 0;
    // Only a later pass needs the path: a deep walk holds one listing per
    // level, and the paths together grow with the square of the depth.
    if (listing.lastPass) std::string().swap(listing.directory);
}

// Reads the batch after the current one. A directory that can no longer be
// opened ends the listing.
bool ReadNextPass(FindListing& listing)
{
    const std::string after(listing.batch.Name(listing.batch.Count() - 1));
    const int fd = OpenDirectory(listing.directory);
    if (fd < 0) return false;
    bool hasDot = false;
    bool hasDotDot = false;
    ReadPass(fd, listing, &after, hasDot, hasDotDot);
    close(fd);
    return true;
}

void Fill(std::string_view name, bool isDirectory, LPWIN32_FIND_DATAA findData)
{
    std::memset(findData, 0, sizeof *findData);
    findData->dwFileAttributes = isDirectory ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_ARCHIVE;
    const std::size_t length = std::min(name.size(), sizeof findData->cFileName - 1);
    std::memcpy(findData->cFileName, name.data(), length);
}

// Hands out the next entry, reading the next pass when the batch is used up.
bool HandOutNext(FindListing& listing, LPWIN32_FIND_DATAA findData)
{
    if (listing.dotToGive) {
        listing.dotToGive = false;
        Fill(".", true, findData);
        return true;
    }
    if (listing.dotDotToGive) {
        listing.dotDotToGive = false;
        Fill("..", true, findData);
        return true;
    }
    for (;;) {
        while (listing.next < listing.batch.Count()) {
            const std::size_t index = listing.next++;
            const unsigned char kind = listing.batch.Tag(index);
            if (kind == kLinkToDirectory) continue;
            Fill(listing.batch.Name(index), kind == kDirectory, findData);
            return true;
        }
        if (listing.lastPass || listing.batch.Count() == 0) return false;
        if (!ReadNextPass(listing)) {
            listing.lastPass = true;
            return false;
        }
    }
}

thread_local const posix::ListingInterest* t_interest = nullptr;

}  // namespace

namespace posix {

ListingInterest::ListingInterest(WantedFileName wanted, const void* context)
    : m_wanted(wanted), m_context(context), m_outer(t_interest)
{
    t_interest = this;
}

ListingInterest::~ListingInterest() { t_interest = m_outer; }

const ListingInterest* ListingInterest::Current() { return t_interest; }

}  // namespace posix

HANDLE FindFirstFileA(LPCSTR pattern, LPWIN32_FIND_DATAA findData)
{
    auto listing = std::make_shared<FindListing>();
    if (const posix::ListingInterest* interest = posix::ListingInterest::Current()) {
        listing->wanted = interest->Wanted();
        listing->wantedContext = interest->Context();
    }
    if (!pattern || !findData || !DirectoryToList(pattern, listing->directory)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }
    const int fd = OpenDirectory(listing->directory);
    if (fd < 0) {
        SetLastError(posix::Win32ErrorFromErrno(errno, listing->directory.c_str()));
        return INVALID_HANDLE_VALUE;
    }
    // Windows gives "." and ".." first, except at the root of a drive.
    const bool givesDots = !posix::IsDriveRootDirectory(listing->directory);
    bool hasDot = false;
    bool hasDotDot = false;
    ReadPass(fd, *listing, nullptr, hasDot, hasDotDot);
    close(fd);
    listing->dotToGive = givesDots && hasDot;
    listing->dotDotToGive = givesDots && hasDotDot;
    if (!HandOutNext(*listing, findData)) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    return posix::AddHandle(std::move(listing));
}

BOOL FindNextFileA(HANDLE findFile, LPWIN32_FIND_DATAA findData)
{
    const auto listing = posix::FindHandle<FindListing>(findFile);
    if (!listing || !findData) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (!HandOutNext(*listing, findData)) {
        SetLastError(ERROR_NO_MORE_FILES);
        return FALSE;
    }
    return TRUE;
}

BOOL FindClose(HANDLE findFile)
{
    if (!posix::RemoveHandle(findFile, {posix::HandleKind::FindListing})) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    return TRUE;
}
