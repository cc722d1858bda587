#include "ReadBoundsWatch.h"

#include <atomic>
#include <mutex>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

extern "C" ssize_t __real_read(int fd, void* buffer, size_t count);
extern "C" ssize_t __real_pread(int fd, void* buffer, size_t count, off_t offset);

namespace malformed {

namespace {

std::atomic<bool> g_watching{false};
std::mutex g_mutex;
std::vector<std::string> g_pastTheEnd;

void Check(int fd, off_t offset, size_t count)
{
    if (!g_watching || count == 0) return;
    struct stat info {};
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) return;
    if (offset >= 0 && static_cast<unsigned long long>(offset) + count <= static_cast<unsigned long long>(info.st_size))
        return;
    const std::lock_guard<std::mutex> lock(g_mutex);
    g_pastTheEnd.push_back("read of " + std::to_string(count) + " bytes at " + std::to_string(offset) +
                           " in a file of " + std::to_string(info.st_size) + " bytes");
}

}  // namespace

ReadBoundsWatch::ReadBoundsWatch()
{
    const std::lock_guard<std::mutex> lock(g_mutex);
    g_pastTheEnd.clear();
    g_watching = true;
}

ReadBoundsWatch::~ReadBoundsWatch()
{
    g_watching = false;
}

std::vector<std::string> ReadBoundsWatch::ReadsPastTheEnd() const
{
    const std::lock_guard<std::mutex> lock(g_mutex);
    return g_pastTheEnd;
}

}  // namespace malformed

extern "C" ssize_t __wrap_read(int fd, void* buffer, size_t count)
{
    if (malformed::g_watching) malformed::Check(fd, lseek(fd, 0, SEEK_CUR), count);
    return __real_read(fd, buffer, count);
}

extern "C" ssize_t __wrap_pread(int fd, void* buffer, size_t count, off_t offset)
{
    malformed::Check(fd, offset, count);
    return __real_pread(fd, buffer, count, offset);
}
