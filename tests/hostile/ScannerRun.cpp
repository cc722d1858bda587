#include "ScannerRun.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "FileContents.h"
#include "TempTree.h"

namespace {

const std::vector<std::string> kDropToNobody = {"setpriv", "--reuid=nobody", "--regid=nogroup", "--clear-groups"};

// Through timeout(1): TERM at the guard, KILL 5 s later; it exits 124 or 137
// when it had to act.
ScannerRun Run(const std::vector<std::string>& words, int guardSeconds)
{
    const TempTree output;
    std::string command = "timeout -k 5 " + std::to_string(guardSeconds);
    for (const std::string& word : words) command += " " + ShellWord(word);
    command += " >" + ShellWord(output.PathOf("out")) + " 2>" + ShellWord(output.PathOf("err"));
    const int status = std::system(command.c_str());
    ScannerRun run;
    run.out = ReadFileText(output.PathOf("out"));
    run.err = ReadFileText(output.PathOf("err"));
    const int code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.hung = code == 124 || code == 137;
    run.exitCode = run.hung ? -1 : code;
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

std::string ShellWord(const std::string& word)
{
    std::string quoted = "'";
    for (char c : word) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

namespace {

// The run as asked, on one reading thread, and again on eight: the rows,
// their order and their bytes must not depend on how many read. `program`
// is where the scanner's own name stands among `words`.
ScannerRun RunWithOneAndEightReaders(std::vector<std::string> words, std::size_t program, int guardSeconds)
{
    const auto options = words.begin() + static_cast<std::ptrdiff_t>(program) + 1;
    words.insert(options, {"-j", "1"});
    const ScannerRun one = Run(words, guardSeconds);
    words[program + 2] = "8";
    const ScannerRun eight = Run(words, guardSeconds);
    EXPECT_EQ(eight.hung, one.hung);
    EXPECT_EQ(eight.exitCode, one.exitCode);
    EXPECT_TRUE(eight.out == one.out) << "the rows of eight readers differ from one's";
    EXPECT_EQ(eight.err, one.err);
    return one;
}

}  // namespace

ScannerRun RunScanner(const std::vector<std::string>& arguments, int guardSeconds)
{
    return RunWithOneAndEightReaders(ScannerWords(MODARIS_SCAN_BIN, arguments), 0, guardSeconds);
}

ScannerRun RunScannerUnprivileged(const std::vector<std::string>& arguments, int guardSeconds)
{
    std::vector<std::string> words = ScannerWords(UnprivilegedScanner(), arguments);
    std::size_t program = 0;
    if (geteuid() == 0) {
        words.insert(words.begin(), kDropToNobody.begin(), kDropToNobody.end());
        program = kDropToNobody.size();
    }
    return RunWithOneAndEightReaders(words, program, guardSeconds);
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
