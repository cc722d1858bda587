#include "scratch_module_file.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fuzz {

namespace {

std::string ScratchDirectory()
{
    if (access("/dev/shm", W_OK) == 0) return "/dev/shm";  // memory: no disk writes per input
    const char* temporary = std::getenv("TMPDIR");
    return temporary && *temporary ? temporary : "/tmp";
}

[[noreturn]] void Fail(const char* what, const std::string& path)
{
    std::fprintf(stderr, "scratch module file %s: %s failed (errno %d)\n", path.c_str(), what, errno);
    std::abort();
}

}  // namespace

ScratchModuleFile::ScratchModuleFile()
{
    std::string folder = ScratchDirectory() + "/modaris-fuzz-XXXXXX";
    if (!mkdtemp(folder.data())) Fail("mkdtemp", folder);
    const std::string named = folder + "/input";
    fd_ = open(named.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd_ < 0) Fail("open", named);

    const std::string anonymous = "/proc/self/fd/" + std::to_string(fd_);
    if (access(anonymous.c_str(), R_OK) == 0) {
        unlink(named.c_str());
        rmdir(folder.c_str());
        path_ = anonymous;
    } else {
        path_ = named;
        folder_ = folder;
    }
}

ScratchModuleFile::~ScratchModuleFile()
{
    close(fd_);
    if (!folder_.empty()) {
        unlink(path_.c_str());
        rmdir(folder_.c_str());
    }
}

void ScratchModuleFile::Write(const std::uint8_t* bytes, std::size_t size) const
{
    if (ftruncate(fd_, 0) != 0) Fail("ftruncate", path_);
    for (std::size_t done = 0; done < size;) {
        const ssize_t wrote = pwrite(fd_, bytes + done, size - done, static_cast<off_t>(done));
        if (wrote < 0 && errno == EINTR) continue;
        if (wrote <= 0) Fail("pwrite", path_);
        done += static_cast<std::size_t>(wrote);
    }
}

}  // namespace fuzz
