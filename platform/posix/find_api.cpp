// Directory listing over getdents64, handed out in the order Windows would
// give, so that rows are deterministic and match the Windows build on the
// same tree. A directory costs an open, the reads of its entries into one
// large buffer and a close: no stat, as the entry's type comes with its
// name (a symbolic link alone is looked at, relative to the open
// directory). A listing reads its whole directory once and sorts it once,
// however large; the listings a thread holds open together stay within a
// budget (listing_budget.h), past which the larger ones give names back and
// read on later, from the last name they kept. The directory is closed
// between reads, so a deep walk holds no descriptor per level.
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/posix/directory_order.h"
#include "platform/posix/drive_roots.h"
#include "platform/posix/errno_to_win32.h"
#include "platform/posix/handle_table.h"
#include "platform/posix/listing_budget.h"
#include "platform/posix/listing_interest.h"
#include "platform/posix/win32_api.h"

namespace {

enum EntryKind : unsigned char {
    kFile,
    kDirectory,
    kLinkToDirectory
};

// What a listing keeps when it gives names back: the read after them costs
// a pass over the directory, made once per giving back, however many.
constexpr std::size_t kNamesKeptWhenShed = 16;

struct FindListing final : posix::SheddableListing {
    static constexpr posix::HandleKind kHandleKind = posix::HandleKind::FindListing;

    ~FindListing()
    {
        if (budget) budget->Leave(*this);
    }
    std::optional<std::size_t> Shed() override;

    // Taken by the calls that hand out names and by Shed, which another
    // thread's read may call.
    std::mutex lock;
    // Kept only while a later read may need it, for a listing large enough
    // to be asked to give back: a deep walk holds one listing per level,
    // and the paths together grow with the square of the depth.
    std::string directory;
    bool dotToGive = false;
    bool dotDotToGive = false;
    posix::NamesInDirectoryOrder names;
    std::size_t next = 0;
    // Every name after those given is among `names`.
    bool complete = false;
    // The walker's interest when the listing opened: every read leaves out
    // the same links.
    posix::WantedFileName wanted = nullptr;
    const void* wantedContext = nullptr;
    std::shared_ptr<posix::ListingBudget> budget;
};

std::optional<std::size_t> FindListing::Shed()
{
    const std::unique_lock<std::mutex> hold(lock, std::try_to_lock);
    if (!hold.owns_lock() || directory.empty()) return std::nullopt;
    // The last name given stays too when no other does: a later read goes
    // on after the last name kept.
    const std::size_t from = next > 0 ? next - 1 : 0;
    const bool dropsNames = names.Count() > next + kNamesKeptWhenShed;
    names.KeepOnly(from, next - from + kNamesKeptWhenShed);
    next -= from;
    complete = complete && !dropsNames;
    return names.HeldBytes();
}

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

// Reads the open directory: every name, or those after the last one kept
// (a read after names were given back), and learns of "." and "..".
// Entries that cannot be read end the read, as readdir ends there.
void ReadNames(int fd, FindListing& listing, const std::string* after, bool& hasDot, bool& hasDotDot)
{
    listing.names.StartRead(after);
    char* const buffer = EntryBuffer();
    for (;;) {
        const ssize_t got = getdents64(fd, buffer, kEntryBufferBytes);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) break;
        for (ssize_t at = 0; at < got;) {
            const auto* entry = reinterpret_cast<const dirent64*>(buffer + at);
            at += entry->d_reclen;
            const char* name = entry->d_name;
            if (name[0] == '.' && name[1] == 0) {
                hasDot = true;
                continue;
            }
            if (name[0] == '.' && name[1] == '.' && name[2] == 0) {
                hasDotDot = true;
                continue;
            }
            if (entry->d_type == DT_LNK && listing.wanted && !listing.wanted(name, listing.wantedContext)) continue;
            listing.names.Offer(name, entry->d_type);
        }
    }
    listing.names.FinishRead();
    // Resolved once the names are known, so a link is looked at only once.
    for (std::size_t i = 0; i < listing.names.Count(); ++i)
        listing.names.SetTag(i, KindOf(fd, listing.names.Name(i), listing.names.Tag(i)));
    listing.next = 0;
    listing.complete = true;
    const std::size_t held = listing.names.HeldBytes();
    if (held < posix::kSmallestSheddableBytes) std::string().swap(listing.directory);
    // Others may be asked to give back now, never this one: its names are
    // about to be given.
    if (listing.budget) listing.budget->Account(listing, held, held);
}

// Reads on after the last name kept. A directory that can no longer be
// opened ends the listing.
bool ReadOn(FindListing& listing)
{
    if (listing.names.Count() == 0 || listing.directory.empty()) return false;
    const std::string after(listing.names.Name(listing.names.Count() - 1));
    const int fd = OpenDirectory(listing.directory);
    if (fd < 0) return false;
    bool hasDot = false;
    bool hasDotDot = false;
    ReadNames(fd, listing, &after, hasDot, hasDotDot);
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

// Hands out the next entry, reading on when the names kept are used up.
bool HandOutNext(FindListing& listing, LPWIN32_FIND_DATAA findData)
{
    const std::lock_guard<std::mutex> hold(listing.lock);
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
        while (listing.next < listing.names.Count()) {
            const std::size_t index = listing.next++;
            const unsigned char kind = listing.names.Tag(index);
            if (kind == kLinkToDirectory) continue;
            Fill(listing.names.Name(index), kind == kDirectory, findData);
            return true;
        }
        if (listing.complete) return false;
        if (!ReadOn(listing)) {
            listing.complete = true;
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

ListingInterest::~ListingInterest()
{
    t_interest = m_outer;
}

const ListingInterest* ListingInterest::Current()
{
    return t_interest;
}

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
    listing->budget = posix::ListingBudget::OfThisThread();
    ReadNames(fd, *listing, nullptr, hasDot, hasDotDot);
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
