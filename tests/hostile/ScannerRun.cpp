#include "ScannerRun.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

const std::vector<std::string> kDropToNobody = {"setpriv", "--reuid=nobody", "--regid=nogroup", "--clear-groups"};

ScannerRun Run(std::vector<std::string> words, int guardSeconds)
{
    ScannerRun run;
    int outPipe[2];
    int errPipe[2];
    if (pipe2(outPipe, O_CLOEXEC) != 0) return run;
    if (pipe2(errPipe, O_CLOEXEC) != 0) {
        close(outPipe[0]), close(outPipe[1]);
        return run;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, outPipe[1], 1);
    posix_spawn_file_actions_adddup2(&actions, errPipe[1], 2);
    std::vector<char*> argv;
    for (std::string& word : words) argv.push_back(&word[0]);
    argv.push_back(nullptr);
    pid_t pid = 0;
    const int spawned = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(outPipe[1]);
    close(errPipe[1]);
    if (spawned != 0) {
        close(outPipe[0]), close(errPipe[0]);
        run.err = "cannot start " + words[0];
        return run;
    }

    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(guardSeconds);
    pollfd fds[2] = {{outPipe[0], POLLIN, 0}, {errPipe[0], POLLIN, 0}};
    std::string* sinks[2] = {&run.out, &run.err};
    int open = 2;
    char buffer[65536];
    while (open > 0) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            run.hung = true;
            kill(pid, SIGKILL);
            break;
        }
        if (poll(fds, 2, static_cast<int>(left.count())) < 0 && errno != EINTR) break;
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || !(fds[i].revents & (POLLIN | POLLHUP | POLLERR))) continue;
            const ssize_t got = read(fds[i].fd, buffer, sizeof buffer);
            if (got > 0) {
                sinks[i]->append(buffer, static_cast<std::size_t>(got));
            } else if (got == 0 || errno != EINTR) {
                close(fds[i].fd);
                fds[i].fd = -1;
                --open;
            }
        }
    }
    for (pollfd& fd : fds) {
        if (fd.fd >= 0) close(fd.fd);
    }
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

std::vector<std::string> ScannerWords(const std::string& program, const std::vector<std::string>& arguments)
{
    std::vector<std::string> words = {program};
    words.insert(words.end(), arguments.begin(), arguments.end());
    return words;
}

// The build folder may lie where nobody cannot go (a clone under /root):
// nobody runs a copy of the scanner in a folder of its own under /tmp.
class ScannerCopy {
public:
    ScannerCopy()
    {
        char folder[] = "/tmp/modaris-scanner-XXXXXX";
        if (!mkdtemp(folder)) return;
        m_folder = folder;
        chmod(folder, 0755);
        const std::string copy = m_folder + "/modaris-scan";
        std::error_code failed;
        std::filesystem::copy_file(MODARIS_SCAN_BIN, copy, failed);
        if (!failed && chmod(copy.c_str(), 0755) == 0) m_path = copy;
    }
    ~ScannerCopy()
    {
        std::error_code ignored;
        if (!m_folder.empty()) std::filesystem::remove_all(m_folder, ignored);
    }
    const std::string& Path() const { return m_path; }

private:
    std::string m_folder;
    std::string m_path;
};

const std::string& UnprivilegedScanner()
{
    if (geteuid() != 0) {
        static const std::string own = MODARIS_SCAN_BIN;
        return own;
    }
    static const ScannerCopy copy;
    return copy.Path();
}

}  // namespace

ScannerRun RunScanner(const std::vector<std::string>& arguments, int guardSeconds)
{
    return Run(ScannerWords(MODARIS_SCAN_BIN, arguments), guardSeconds);
}

ScannerRun RunScannerUnprivileged(const std::vector<std::string>& arguments, int guardSeconds)
{
    std::vector<std::string> words = ScannerWords(UnprivilegedScanner(), arguments);
    if (geteuid() == 0) words.insert(words.begin(), kDropToNobody.begin(), kDropToNobody.end());
    return Run(words, guardSeconds);
}

std::string WhyNoUnprivilegedRun()
{
    // The scanner must start as nobody: setpriv exists, and so do the user
    // and the group.
    if (UnprivilegedScanner().empty()) return "cannot copy modaris-scan to a folder that nobody can reach";
    const ScannerRun probe = RunScannerUnprivileged({"--version"}, 60);
    if (probe.exitCode == 0) return std::string();
    return "cannot run modaris-scan as an unprivileged user (setpriv --reuid=nobody --regid=nogroup): " +
           (probe.err.empty() ? "exit " + std::to_string(probe.exitCode) : probe.err);
}
