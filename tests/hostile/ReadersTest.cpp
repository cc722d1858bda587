// The console scanner's readers while they read: a stop and a failed write
// while eight threads hash large files (a stop ends each read at its next
// block), and a huge module among small ones, whose rows before it come out
// while it is still being read.
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <poll.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "HostileSupport.h"
#include "TempTree.h"

namespace {

// The scanner as a child whose standard output this test reads as it comes.
class RunningScanner {
public:
    explicit RunningScanner(std::vector<std::string> arguments, const char* output = nullptr)
    {
        int pipeEnds[2];
        if (pipe(pipeEnds) != 0) return;
        m_pid = fork();
        if (m_pid == 0) {
            const int out = output ? open(output, O_WRONLY) : pipeEnds[1];
            dup2(out, STDOUT_FILENO);
            dup2(pipeEnds[1], STDERR_FILENO);
            close(pipeEnds[0]);
            std::vector<char*> argv{const_cast<char*>(MODARIS_SCAN_BIN)};
            for (std::string& argument : arguments) argv.push_back(argument.data());
            argv.push_back(nullptr);
            execv(MODARIS_SCAN_BIN, argv.data());
            _exit(127);
        }
        close(pipeEnds[1]);
        m_out = pipeEnds[0];
    }
    ~RunningScanner()
    {
        if (m_pid > 0 && !m_ended) {
            kill(m_pid, SIGKILL);
            waitpid(m_pid, nullptr, 0);
        }
        if (m_out >= 0) close(m_out);
    }

    // Reads what has come within `milliseconds`; false at the end of output.
    bool ReadFor(int milliseconds)
    {
        pollfd ready{m_out, POLLIN, 0};
        if (poll(&ready, 1, milliseconds) <= 0) return true;
        char buffer[65536];
        const ssize_t got = read(m_out, buffer, sizeof buffer);
        if (got <= 0) return false;
        m_text.append(buffer, static_cast<std::size_t>(got));
        return true;
    }
    // Reads until `condition` holds or the output ends; false when it never held.
    template <class Condition>
    bool ReadUntil(Condition condition)
    {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(120);
        while (!condition()) {
            if (std::chrono::steady_clock::now() > deadline || !ReadFor(100)) return condition();
        }
        return true;
    }
    bool Running()
    {
        if (m_ended) return false;
        int status = 0;
        if (waitpid(m_pid, &status, WNOHANG) != m_pid) return true;
        m_ended = true;
        m_status = status;
        return false;
    }
    // The exit status once it ended (-1 when the guard had to kill it).
    int Wait()
    {
        ReadUntil([] { return false; });
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(120);
        while (Running()) {
            if (std::chrono::steady_clock::now() > deadline) return -1;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return WIFEXITED(m_status) ? WEXITSTATUS(m_status) : 128 + WTERMSIG(m_status);
    }
    void Interrupt() { kill(m_pid, SIGINT); }
    std::size_t Lines() const { return static_cast<std::size_t>(std::count(m_text.begin(), m_text.end(), '\n')); }
    const std::string& Text() const { return m_text; }

private:
    pid_t m_pid = -1;
    int m_out = -1;
    std::string m_text;
    bool m_ended = false;
    int m_status = 0;
};

// A real module padded with a hole to `size` bytes: hashing it reads them all.
void AddPaddedModule(const TempTree& tree, const std::string& name, std::uintmax_t size)
{
    tree.AddFile(name, FixtureBytes(kModule64));
    std::filesystem::resize_file(tree.PathOf(name), size);
}

// Forty modules of 256 MiB each: hashing them takes seconds on any core count.
class LargeModules : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (int i = 0; i < 40; ++i) AddPaddedModule(tree, "m" + std::to_string(100 + i) + ".dll", 256u << 20);
    }
    std::vector<std::string> Arguments() const
    {
        return {"-q", "-j", "8", "--fields=fileName,sha256", "--format", "jsonl", tree.Root()};
    }
    TempTree tree;
};

TEST_F(LargeModules, AStopWhileEightThreadsReadPrintsTheRowsFoundBeforeIt)
{
    RunningScanner scan(Arguments());
    ASSERT_TRUE(scan.ReadUntil([&] { return scan.Lines() >= 1; })) << scan.Text();
    scan.Interrupt();
    EXPECT_EQ(scan.Wait(), 130) << scan.Text();
    // Every row whole, in the walk's order, from the first file on.
    const std::string text = scan.Text();
    std::size_t at = 0;
    int index = 0;
    for (std::size_t end; (end = text.find('\n', at)) != std::string::npos; at = end + 1, ++index) {
        const std::string line = text.substr(at, end - at);
        EXPECT_NE(line.find("\"fileName\":\"" + tree.PathOf("m" + std::to_string(100 + index) + ".dll") + "\""),
                  std::string::npos)
            << line;
    }
    EXPECT_EQ(at, text.size()) << "a row cut short";
    // The walk had handed every file over; the reads that the stop met end
    // at their next block and vouch for no hash.
    EXPECT_NE(text.find("\"sha256\":null"), std::string::npos) << "the stop ended no read";
}

TEST_F(LargeModules, ASecondCtrlCEndsTheProgramAtOnce)
{
    RunningScanner scan(Arguments());
    ASSERT_TRUE(scan.ReadUntil([&] { return scan.Lines() >= 1; }));
    scan.Interrupt();
    scan.Interrupt();
    EXPECT_EQ(scan.Wait(), 130);
}

TEST_F(LargeModules, AWriteFailureWhileEightThreadsReadStopsTheScan)
{
    RunningScanner scan(Arguments(), "/dev/full");
    EXPECT_EQ(scan.Wait(), 1);
    EXPECT_EQ(scan.Text(), "modaris-scan: cannot write the rows: No space left on device\n");
}

// The rows of the small modules before a huge one come out while it is
// still being read; those after it wait for it, as their order says.
TEST(HugeModule, HoldsUpOnlyTheRowsThatComeAfterIt)
{
    TempTree tree;
    const Bytes small = FixtureBytes(kModule32);
    for (int i = 0; i < 30; ++i) tree.AddFile("a" + std::to_string(10 + i) + ".dll", small);
    AddPaddedModule(tree, "m.dll", std::uintmax_t{6} << 30);
    for (int i = 0; i < 30; ++i) tree.AddFile("z" + std::to_string(10 + i) + ".dll", small);

    RunningScanner scan({"-q", "-j", "2", "--fields=fileName,sha256", "--format", "jsonl", tree.Root()});
    ASSERT_TRUE(scan.ReadUntil([&] { return scan.Lines() >= 30; })) << scan.Text();
    EXPECT_TRUE(scan.Running()) << "the rows before the huge module came only once it was read";
    EXPECT_EQ(scan.Text().find("m.dll"), std::string::npos);
    EXPECT_EQ(scan.Wait(), 0);
    EXPECT_EQ(scan.Lines(), 61u);
}

}  // namespace
