#include "HostileSupport.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

#include "FileContents.h"
#include "ScannerRun.h"

const KnownModule kModule32 = {"v1_2_3_4_x86.dll", "1.000200.3.000400", "32", "Modaris Simple Ltd"};
const KnownModule kModule64 = {"v1_2_3_4_x64.dll", "1.000200.3.000400", "64", "Modaris Simple Ltd"};
const char* const kNoVersion = "0.000000.0.000000";

Bytes FixtureBytes(const KnownModule& module)
{
    const Bytes bytes = ReadFileBytes(std::string(MODARIS_MODULE_FIXTURE_DIR) + "/" + module.fixture);
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
    return row.size() == 6 && row[0] == kNoVersion && row[1] == kNoVersion && row[2].size() == 17 && row[3].empty() &&
           row[4].empty();
}

std::vector<std::string> BuildDeepTree(const std::string& root, const std::string& name, int depth, int every,
                                       const Bytes& module)
{
    std::vector<std::string> modules;
    std::string path = root;
    int fd = open(root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) throw std::runtime_error("cannot open " + root);
    for (int level = 1; level <= depth; ++level) {
        if (mkdirat(fd, name.c_str(), 0755) != 0)
            throw std::runtime_error(std::string("mkdirat: ") + std::strerror(errno));
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

void RemoveTree(const std::string& path)
{
    // GNU chmod and rm walk with openat, so neither depth nor modes stop them.
    const std::string quoted = ShellWord(path);
    const int status = std::system(("chmod -R u+rwx " + quoted + " 2>/dev/null; rm -rf " + quoted).c_str());
    static_cast<void>(status);
}
