#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "TempTree.h"
#include "platform/posix/directory_order.h"
#include "platform/posix/drive_roots.h"
#include "platform/posix/listing_interest.h"
#include "platform/win32.h"

namespace {

std::vector<std::string> List(const std::string& pattern)
{
    std::vector<std::string> names;
    WIN32_FIND_DATAA entry;
    HANDLE listing = FindFirstFileA(pattern.c_str(), &entry);
    if (listing == INVALID_HANDLE_VALUE) return names;
    do {
        names.push_back(std::string(entry.cFileName) + (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY ? "/" : ""));
    } while (FindNextFileA(listing, &entry));
    FindClose(listing);
    return names;
}

TEST(DirectoryListing, DeliversDotsFirstThenTheWindowsOrder)
{
    TempTree tree;
    for (const char* name : {"c.dll", "_a.dll", "b.dll", "Zz.dll", "zz2.dll", "A.dll", "a.dll"}) tree.AddFile(name);
    tree.AddDirectory("Sub");
    EXPECT_EQ(List(tree.Root() + "/*.*"), (std::vector<std::string>{"./", "../", "A.dll", "a.dll", "b.dll", "c.dll",
                                                                    "Sub/", "Zz.dll", "zz2.dll", "_a.dll"}));
    // Doubled separators resolve as single ones.
    EXPECT_EQ(List(tree.Root() + "//*.*").size(), 10u);
    EXPECT_TRUE(posix::ComesBeforeInDirectoryOrder("b", "C"));
    EXPECT_FALSE(posix::ComesBeforeInDirectoryOrder("b", "B"));
}

// Links are looked at to leave out those to directories; under a walker's
// interest a link to a file it does not want is left out unlooked at, and
// everything else, a large directory's later passes too, is as without.
TEST(DirectoryListing, LinksUnderAWalkersInterest)
{
    TempTree tree;
    tree.AddDirectory("sub");
    tree.AddFile("plain.txt");
    tree.AddFile("real.dll");
    for (int i = 0; i < 5000; ++i) tree.AddFile("many/f" + std::to_string(i) + ".txt");
    const struct {
        const char* link;
        const char* target;
    } links[] = {{"dir-link.dll", "sub"},
                 {"file-link.dll", "real.dll"},
                 {"file-link.txt", "real.dll"},
                 {"dangling.dll", "nowhere"},
                 {"dir-link", "sub"},
                 {"many/zz-link.txt", "../real.dll"},
                 {"many/zz-link.dll", "../real.dll"}};
    for (const auto& l : links) ASSERT_EQ(symlink(l.target, tree.PathOf(l.link).c_str()), 0) << l.link;

    const std::vector<std::string> all{"./",    "../",       "dangling.dll", "file-link.dll", "file-link.txt",
                                       "many/", "plain.txt", "real.dll",     "sub/"};
    EXPECT_EQ(List(tree.Root() + "/*.*"), all);
    const std::vector<std::string> manyAll = List(tree.PathOf("many") + "/*.*");
    ASSERT_EQ(manyAll.size(), 5004u);
    EXPECT_EQ(manyAll.back(), "zz-link.txt");
    {
        const posix::ListingInterest interest(
            [](const char* name, const void*) {
                return std::string(name).size() > 4 && std::string(name).substr(std::string(name).size() - 4) == ".dll";
            },
            nullptr);
        std::vector<std::string> wanted = all;
        wanted.erase(std::find(wanted.begin(), wanted.end(), "file-link.txt"));
        EXPECT_EQ(List(tree.Root() + "/*.*"), wanted);
        std::vector<std::string> many = List(tree.PathOf("many") + "/*.*");
        EXPECT_EQ(many.size(), 5003u);
        EXPECT_EQ(many.back(), "zz-link.dll");
        many.push_back("zz-link.txt");
        EXPECT_EQ(many, manyAll);
    }
    EXPECT_EQ(List(tree.Root() + "/*.*"), all) << "the interest ended with its scope";
}

TEST(DirectoryListing, ADriveRootHasNoDots)
{
    const std::vector<std::string> root = List("/*.*");
    ASSERT_FALSE(root.empty());
    EXPECT_NE(root.front(), "./");
    EXPECT_TRUE(posix::IsDriveRootDirectory("/tmp/prefix/dosdevices/c:/"));
    EXPECT_TRUE(posix::IsDriveRootDirectory("/tmp/prefix/dosdevices/z://"));
    EXPECT_FALSE(posix::IsDriveRootDirectory("/tmp/prefix/dosdevices/c:/windows"));
}

TEST(DirectoryListing, FailsForWhatCannotBeListed)
{
    TempTree tree;
    tree.AddFile("file.dll");
    WIN32_FIND_DATAA entry;
    EXPECT_EQ(FindFirstFileA((tree.Root() + "/missing/*.*").c_str(), &entry), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
    EXPECT_EQ(FindFirstFileA((tree.Root() + "/file.dll/*.*").c_str(), &entry), INVALID_HANDLE_VALUE);
    // Whole directories only: the engine asks for nothing else.
    EXPECT_EQ(FindFirstFileA(tree.PathOf("file.dll").c_str(), &entry), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

TEST(DirectoryListing, DriveRootsComeFromTheWinePrefix)
{
    TempTree tree;
    tree.AddDirectory("prefix/dosdevices");
    ASSERT_EQ(symlink(tree.Root().c_str(), tree.PathOf("prefix/dosdevices/c:").c_str()), 0);
    const char* previous = std::getenv("WINEPREFIX");
    const std::string saved = previous ? previous : "";
    setenv("WINEPREFIX", tree.PathOf("prefix").c_str(), 1);
    EXPECT_EQ(posix::DriveRootText('c'), tree.PathOf("prefix/dosdevices/c:") + "/");
    EXPECT_EQ(posix::DriveRootText('d'), "");
    setenv("WINEPREFIX", tree.PathOf("no-prefix").c_str(), 1);
    EXPECT_EQ(posix::DriveRootText('c'), "/");
    EXPECT_EQ(posix::DriveRootText('e'), "");
    if (previous) setenv("WINEPREFIX", saved.c_str(), 1);
    else unsetenv("WINEPREFIX");
}

TEST(UnsharedOpen, ExcludesEveryOtherHandleAndNeverBlocks)
{
    TempTree tree;
    tree.AddFile("m.dll", "MZ");
    const std::string path = tree.PathOf("m.dll");
    HANDLE first = CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(first, INVALID_HANDLE_VALUE);
    EXPECT_EQ(CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
    EXPECT_EQ(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr),
              INVALID_HANDLE_VALUE);
    CloseHandle(first);
    HANDLE again = CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_NE(again, INVALID_HANDLE_VALUE);
    CloseHandle(again);

    // A FIFO named like a module must not stall a scan.
    ASSERT_EQ(mkfifo(tree.PathOf("pipe.dll").c_str(), 0600), 0);
    EXPECT_EQ(CreateFileA(tree.PathOf("pipe.dll").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr),
              INVALID_HANDLE_VALUE);
    DWORD handle = 1;
    EXPECT_EQ(GetFileVersionInfoSizeA(tree.PathOf("pipe.dll").c_str(), &handle), 0u);
    EXPECT_EQ(CreateFileA(tree.PathOf("none.dll").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr),
              INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(CreateFileA(tree.PathOf("no/none.dll").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr),
              INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
}

// Only a handle that shares with nobody may answer from what it saw at the
// open; one that lets others write must see what they wrote.
TEST(FileStatus, AHandleThatSharesSeesOtherWritersAndAnUnsharedOneTheOpenedFile)
{
    TempTree tree;
    tree.AddFile("m.dll", std::vector<unsigned char>(100, 'x'));
    const std::string path = tree.PathOf("m.dll");
    HANDLE shared =
        CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(shared, INVALID_HANDLE_VALUE);
    tree.AddFile("m.dll", std::vector<unsigned char>(300, 'y'));
    LARGE_INTEGER size{};
    EXPECT_TRUE(GetFileSizeEx(shared, &size));
    EXPECT_EQ(size.QuadPart, 300);
    FILETIME lastWrite{};
    EXPECT_TRUE(GetFileTime(shared, nullptr, nullptr, &lastWrite));
    CloseHandle(shared);

    HANDLE unshared = CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(unshared, INVALID_HANDLE_VALUE);
    EXPECT_TRUE(GetFileSizeEx(unshared, &size));
    EXPECT_EQ(size.QuadPart, 300);
    FILETIME unsharedLastWrite{};
    EXPECT_TRUE(GetFileTime(unshared, nullptr, nullptr, &unsharedLastWrite));
    EXPECT_EQ(unsharedLastWrite.dwLowDateTime, lastWrite.dwLowDateTime);
    EXPECT_EQ(unsharedLastWrite.dwHighDateTime, lastWrite.dwHighDateTime);
    CloseHandle(unshared);
}

FILETIME FromUnixSeconds(int64_t seconds)
{
    const uint64_t ticks = static_cast<uint64_t>(seconds + 11644473600LL) * 10000000ULL;
    return FILETIME{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
}

TEST(FileTimes, SplitIntoCalendarFields)
{
    struct Case {
        int64_t unixSeconds;
        WORD year, month, day, hour, minute, second, weekday;
    } cases[] = {
        {1796630759, 2026, 12, 7, 8, 5, 59, 1},    // a Monday
        {951782400, 2000, 2, 29, 0, 0, 0, 2},      // leap day of a 400-year leap year
        {4107542399, 2100, 2, 28, 23, 59, 59, 0},  // 2100 is no leap year
        {-11644473600, 1601, 1, 1, 0, 0, 0, 1},   {0, 1970, 1, 1, 0, 0, 0, 4},
    };
    for (const Case& c : cases) {
        const FILETIME time = FromUnixSeconds(c.unixSeconds);
        SYSTEMTIME fields{};
        ASSERT_TRUE(FileTimeToSystemTime(&time, &fields));
        EXPECT_EQ(fields.wYear, c.year) << c.unixSeconds;
        EXPECT_EQ(fields.wMonth, c.month) << c.unixSeconds;
        EXPECT_EQ(fields.wDay, c.day) << c.unixSeconds;
        EXPECT_EQ(fields.wHour, c.hour) << c.unixSeconds;
        EXPECT_EQ(fields.wMinute, c.minute) << c.unixSeconds;
        EXPECT_EQ(fields.wSecond, c.second) << c.unixSeconds;
        EXPECT_EQ(fields.wDayOfWeek, c.weekday) << c.unixSeconds;
    }
    const FILETIME tooLate{0, 0x80000000u};
    SYSTEMTIME fields{};
    EXPECT_FALSE(FileTimeToSystemTime(&tooLate, &fields));
}

TEST(FileTimes, LocalTimeUsesTheOffsetInForceNow)
{
    const char* previous = std::getenv("TZ");
    const std::string saved = previous ? previous : "";
    setenv("TZ", "MODARIS-5:30", 1);
    tzset();
    const FILETIME utc = FromUnixSeconds(1783500000);  // a July date
    FILETIME local{};
    ASSERT_TRUE(FileTimeToLocalFileTime(&utc, &local));
    const uint64_t shift = ((uint64_t{local.dwHighDateTime} << 32 | local.dwLowDateTime) -
                            (uint64_t{utc.dwHighDateTime} << 32 | utc.dwLowDateTime));
    EXPECT_EQ(shift, uint64_t{5 * 3600 + 1800} * 10000000u);
    if (previous) setenv("TZ", saved.c_str(), 1);
    else unsetenv("TZ");
    tzset();
}

}  // namespace
