// One open for every read of an inspected module: the inspection's open
// shares with nobody, the version functions read through it, and together
// they must answer as separate opens do, for a file held by another program
// and for a file that changes between calls; the lock goes with the open.
#include "platform/file/ModuleFile.h"
#include "platform/file/ModuleFileBody_posix.h"
#include "platform/posix/version/shared_module_open.h"
#include "version_test_support.h"

#include <cstdio>
#include <functional>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace version_test {
namespace {

using crafted::Bytes;

// What the engine reads of a module, each read through its own call.
struct Answers {
    std::vector<std::uint8_t> version;  // empty when none
    DWORD versionError = 0;
    bool dated = false;
    FILETIME lastWrite{};
    DWORD dateError = 0;
    std::string firstBytes;  // the header page, as the bitness probe reads it

    bool operator==(const Answers& other) const
    {
        return version == other.version && versionError == other.versionError && dated == other.dated &&
               lastWrite.dwLowDateTime == other.lastWrite.dwLowDateTime &&
               lastWrite.dwHighDateTime == other.lastWrite.dwHighDateTime && dateError == other.dateError &&
               firstBytes == other.firstBytes;
    }
};

std::string UnsharedFirstPage(const std::string& path)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return "fails";
    LARGE_INTEGER size;
    std::string bytes(4096, '\0');
    DWORD got = 0;
    EXPECT_TRUE(GetFileSizeEx(file, &size));
    EXPECT_TRUE(ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr));
    CloseHandle(file);
    bytes.resize(got);
    return std::to_string(size.QuadPart) + ":" + bytes;
}

// The version functions' answers; `between` runs after the size query.
void ReadVersion(const std::string& path, const std::function<void()>& between, Answers& answers)
{
    DWORD handle = 0;
    SetLastError(0);
    const DWORD size = GetFileVersionInfoSizeA(path.c_str(), &handle);
    answers.versionError = GetLastError();
    if (between) between();
    if (size) {
        answers.version.assign(size, 0xCC);
        if (!GetFileVersionInfoA(path.c_str(), 0, size, answers.version.data())) answers.version.clear();
    }
}

// Separate opens, as Windows' calls make them; `between` runs after the
// size query, before every later call.
Answers ReadAll(const std::string& path, const std::function<void()>& between = {})
{
    Answers answers;
    ReadVersion(path, between, answers);
    SetLastError(0);
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    answers.dateError = GetLastError();
    if (file != INVALID_HANDLE_VALUE) {
        answers.dated = GetFileTime(file, nullptr, nullptr, &answers.lastWrite);
        CloseHandle(file);
    }
    answers.firstBytes = UnsharedFirstPage(path);
    return answers;
}

// As an inspection reads: one open shared with nobody, the version
// functions through it, the date and the first page from it.
Answers InspectAll(const std::string& path, const std::function<void()>& between = {})
{
    Answers answers;
    const platform::ModuleFile file(path.c_str(), platform::FileSharing::Nobody);
    if (file.IsOpen()) {
        const posix::SharedModuleOpen throughTheOpen(path.c_str(), file.GetBody()->file);
        ReadVersion(path, between, answers);
    } else {
        ReadVersion(path, between, answers);
    }
    answers.dateError = file.IsOpen() ? ERROR_SUCCESS : file.OpenError();
    if (!file.IsOpen()) {
        answers.firstBytes = "fails";
        return answers;
    }
    answers.dated = true;
    answers.lastWrite = file.LastWrite();
    std::string bytes(4096, '\0');
    bytes.resize(file.ReadAt(0, bytes.data(), bytes.size()).value_or(0));
    answers.firstBytes = std::to_string(file.Size()) + ":" + bytes;
    return answers;
}

// Another program's open of the file under a lock of its own.
class HeldElsewhere {
public:
    HeldElsewhere(const std::string& path, int lock) : fd_(open(path.c_str(), O_RDONLY | O_CLOEXEC))
    {
        EXPECT_EQ(flock(fd_, lock | LOCK_NB), 0);
    }
    ~HeldElsewhere() { close(fd_); }

private:
    int fd_;
};

class OneOpen : public ScratchTest {
protected:
    std::string Module(const std::string& name, const std::string& company, bool pe32Plus = false)
    {
        const Bytes block = crafted::EncodeBlock32(crafted::VersionTree(SampleInfo(company)));
        return Write(name, crafted::BuildPeWithVersion(block, 0x0409, pe32Plus).bytes);
    }
};

TEST_F(OneOpen, AnswersAsSeparateOpensForAFreeHeldOrMissingFile)
{
    const std::string path = Module("acme.dll", "Acme Corp");
    const std::string wide = Module("wide.dll", "Wide Company", true);
    const std::string text = Write("notes.dll", Bytes(100, 'x'));
    for (const std::string& file : {path, wide, text, PathOf("missing.dll")}) {
        const Answers separate = ReadAll(file);
        EXPECT_TRUE(InspectAll(file) == separate) << file;
    }
    const Answers free = ReadAll(path);
    ASSERT_FALSE(free.version.empty());
    ASSERT_TRUE(free.dated);

    {
        // A reader that shares: the version is read, the unshared opens fail.
        const HeldElsewhere reader(path, LOCK_SH);
        const Answers separate = ReadAll(path);
        EXPECT_EQ(separate.version, free.version);
        EXPECT_EQ(separate.dateError, static_cast<DWORD>(ERROR_SHARING_VIOLATION));
        EXPECT_EQ(separate.firstBytes, "fails");
        EXPECT_TRUE(InspectAll(path) == separate);
    }
    {
        // Held exclusively: nothing is read.
        const HeldElsewhere holder(path, LOCK_EX);
        const Answers separate = ReadAll(path);
        EXPECT_TRUE(separate.version.empty());
        EXPECT_EQ(separate.versionError, static_cast<DWORD>(ERROR_SHARING_VIOLATION));
        EXPECT_FALSE(separate.dated);
        EXPECT_TRUE(InspectAll(path) == separate);
    }
    EXPECT_TRUE(InspectAll(path) == free) << "the holders are gone";
}

TEST_F(OneOpen, AFileChangedBetweenCallsIsSeenAsOneStateAndAnewAfterwards)
{
    const std::string path = Module("module.dll", "Acme Corp");
    const std::string replacement = Module("replacement.dll", "Other Company Limited", true);
    const Answers before = ReadAll(path);
    const Answers after = ReadAll(replacement);
    ASSERT_FALSE(before == after);

    // Outside an inspection each call sees the file as it is then.
    const std::string spare = Module("spare.dll", "Other Company Limited", true);
    const Answers mixed = ReadAll(path, [&] { ASSERT_EQ(std::rename(spare.c_str(), path.c_str()), 0); });
    EXPECT_NE(mixed.version, before.version) << "the copy is of the new file, in the old size";
    EXPECT_EQ(mixed.firstBytes, after.firstBytes);

    // Inside one, every answer is of the file as it was opened: the answers
    // of separate opens with the change after the last of them.
    const std::string first = Module("first.dll", "Acme Corp");
    const Answers inspected = InspectAll(first, [&] { ASSERT_EQ(std::rename(replacement.c_str(), first.c_str()), 0); });
    EXPECT_EQ(inspected.version, before.version);
    EXPECT_EQ(inspected.firstBytes, before.firstBytes);
    EXPECT_TRUE(inspected.dated);
    // The next inspection opens the file anew.
    EXPECT_TRUE(InspectAll(first) == ReadAll(first));
    EXPECT_EQ(InspectAll(first).version, after.version);
}

TEST_F(OneOpen, ServesOnlyItsPathAndLetsTheLockGoAtItsEnd)
{
    const std::string path = Module("served.dll", "Acme Corp");
    const std::string other = Module("other.dll", "Other Company Limited");
    {
        const platform::ModuleFile file(path.c_str(), platform::FileSharing::Nobody);
        ASSERT_TRUE(file.IsOpen());
        const posix::SharedModuleOpen inspection(path.c_str(), file.GetBody()->file);
        EXPECT_TRUE(ReadAll(other) == ReadAll(other)) << "another path opens for itself";
        ASSERT_GT(GetFileVersionInfoSizeA(path.c_str(), nullptr), 0u);
        // The inspection holds the file as an unshared handle would: a
        // handle of its own, even one that shares reading, meets its lock.
        const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
        EXPECT_NE(flock(fd, LOCK_SH | LOCK_NB), 0);
        close(fd);
        SetLastError(0);
        EXPECT_EQ(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr),
                  INVALID_HANDLE_VALUE);
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
    }
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    EXPECT_EQ(flock(fd, LOCK_EX | LOCK_NB), 0) << "the inspection's lock is gone";
    close(fd);
}

}  // namespace
}  // namespace version_test
