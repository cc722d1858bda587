#include "HostileSupport.h"

#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

const KnownModule kModule32 = {"v1_2_3_4_x86.dll", "1.000200.3.000400", "32", "Modaris Simple Ltd"};
const KnownModule kModule64 = {"v1_2_3_4_x64.dll", "1.000200.3.000400", "64", "Modaris Simple Ltd"};
const char* const kNoVersion = "0.000000.0.000000";

Bytes FixtureBytes(const KnownModule& module)
{
    std::ifstream in(std::string(MODARIS_MODULE_FIXTURE_DIR) + "/" + module.fixture, std::ios::binary);
    Bytes bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (bytes.empty()) throw std::runtime_error(std::string("missing fixture ") + module.fixture);
    return bytes;
}

namespace {

void WriteAll(int fd, const Bytes& bytes)
{
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t wrote = write(fd, bytes.data() + done, bytes.size() - done);
        if (wrote < 0 && errno == EINTR) continue;
        if (wrote <= 0) throw std::runtime_error(std::string("write: ") + std::strerror(errno));
        done += static_cast<std::size_t>(wrote);
    }
}

}  // namespace

void WriteFileBytes(const std::string& path, const Bytes& bytes, unsigned mode)
{
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0) throw std::runtime_error("cannot create " + path + ": " + std::strerror(errno));
    WriteAll(fd, bytes);
    fchmod(fd, mode);  // not subject to the umask
    close(fd);
}

bool IsRowOf(const Cells& row, const KnownModule& module)
{
    return row.size() == 6 && row[0] == module.version && row[1] == module.version && row[2].size() == 17 &&
           row[3] == module.bits && row[4] == module.company;
}

bool IsUnreadableRow(const Cells& row)
{
    return row.size() == 6 && row[0] == kNoVersion && row[1] == kNoVersion && row[2].empty() && row[3].empty() &&
           row[4].empty();
}

bool IsRowOfANonModule(const Cells& row)
{
    return row.size() == 6 && row[0] == kNoVersion && row[1] == kNoVersion && row[2].size() == 17 &&
           row[3].empty() && row[4].empty();
}

std::vector<std::string> BuildDeepTree(const std::string& root, const std::string& name, int depth, int every,
                                       const Bytes& module)
{
    std::vector<std::string> modules;
    std::string path = root;
    int fd = open(root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) throw std::runtime_error("cannot open " + root);
    for (int level = 1; level <= depth; ++level) {
        if (mkdirat(fd, name.c_str(), 0755) != 0) throw std::runtime_error(std::string("mkdirat: ") + std::strerror(errno));
        const int next = openat(fd, name.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        close(fd);
        if (next < 0) throw std::runtime_error(std::string("openat: ") + std::strerror(errno));
        fd = next;
        path += "/" + name;
        if ((level - 1) % every == 0) {
            const int file = openat(fd, "m.dll", O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
            if (file < 0) throw std::runtime_error(std::string("openat m.dll: ") + std::strerror(errno));
            WriteAll(file, module);
            close(file);
            modules.push_back(path + "/m.dll");
        }
    }
    close(fd);
    return modules;
}

namespace {

// The first entry of the directory open as `fd` that cannot be unlinked (a
// directory with contents), after unlinking all others; empty when none.
std::string UnlinkWhatCanBe(int fd)
{
    DIR* stream = fdopendir(dup(fd));
    if (!stream) return std::string();
    rewinddir(stream);  // the duplicate shares the position of earlier passes
    std::string rest;
    while (const dirent* entry = readdir(stream)) {
        const std::string entryName = entry->d_name;
        if (entryName == "." || entryName == "..") continue;
        if (unlinkat(fd, entryName.c_str(), 0) == 0 || unlinkat(fd, entryName.c_str(), AT_REMOVEDIR) == 0) continue;
        rest = entryName;
        break;
    }
    closedir(stream);
    return rest;
}

}  // namespace

void RemoveTree(const std::string& path)
{
    // Down and up with openat and "..", one descriptor at a time, so that
    // neither depth nor the descriptor limit matters.
    chmod(path.c_str(), 0700);
    int fd = open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    int depth = 0;
    while (fd >= 0) {
        const std::string child = UnlinkWhatCanBe(fd);
        int next = -1;
        if (!child.empty()) {
            fchmodat(fd, child.c_str(), 0700, 0);  // unreadable ones too
            next = openat(fd, child.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
            if (next < 0) {
                close(fd);  // it would be met again on every pass: give up
                break;
            }
            ++depth;
        }
        if (next < 0) {
            if (depth == 0) {
                close(fd);
                break;
            }
            next = openat(fd, "..", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
            --depth;
        }
        close(fd);
        fd = next;
    }
    rmdir(path.c_str());
}
