// Directories and files the scanning user may not read. Root reads them all
// anyway, so as root the scanner runs as "nobody".
#include <gtest/gtest.h>

#include <sys/stat.h>

#include "HostileSupport.h"
#include "ScannerRun.h"
#include "TempTree.h"

namespace {

class UnreadableTree : public ::testing::Test {
protected:
    void SetUp() override
    {
        const std::string why = WhyNoUnprivilegedRun();
        if (!why.empty()) GTEST_SKIP() << why;
        const Bytes module32 = FixtureBytes(kModule32);
        const Bytes module64 = FixtureBytes(kModule64);
        chmod(tree.Root().c_str(), 0755);  // whatever the umask, nobody may enter the root
        for (const char* directory : {"a-open", "b-locked", "c-no-list", "d-no-enter", "d-no-enter/sub", "e-after"})
            mkdir(tree.PathOf(directory).c_str(), 0755);
        WriteFileBytes(tree.PathOf("a-open/one.dll"), module32);
        WriteFileBytes(tree.PathOf("b-locked/hidden.dll"), module32);
        WriteFileBytes(tree.PathOf("c-no-list/hidden.dll"), module32);
        WriteFileBytes(tree.PathOf("d-no-enter/seen.dll"), module32);
        WriteFileBytes(tree.PathOf("d-no-enter/sub/below.dll"), module32);
        WriteFileBytes(tree.PathOf("e-after/two.dll"), module64);
        WriteFileBytes(tree.PathOf("unreadable.dll"), module32, 0);
        WriteFileBytes(tree.PathOf("z-last.dll"), module64);
        chmod(tree.PathOf("b-locked").c_str(), 0);        // neither listed nor entered
        chmod(tree.PathOf("c-no-list").c_str(), 0311);    // entered, never listed
        chmod(tree.PathOf("d-no-enter").c_str(), 0644);   // listed, nothing in it opened
    }
    void TearDown() override { RemoveTree(tree.Root()); }

    TempTree tree;
};

TEST_F(UnreadableTree, EveryReadableModuleIsFoundAndTheWalkGoesOnPastWhatIsLocked)
{
    const ScannerRun run = RunScannerUnprivileged({"-d", tree.Root(), "-b", "16,32,64,unknown"});
    ASSERT_FALSE(run.hung) << "the scan of a tree with locked parts did not end";
    EXPECT_EQ(run.exitCode, 0) << run.err;
    // Failures are silent; the count names every file read.
    EXPECT_EQ(run.err, "DLLs: 5\n");

    const std::vector<Cells> rows = ReadTsv(run.out);
    ASSERT_EQ(rows.size(), 5u) << run.out;
    const struct {
        const char* name;
        const KnownModule* module;  // null: listed but unreadable
    } expected[] = {
        {"a-open/one.dll", &kModule32},
        {"d-no-enter/seen.dll", nullptr},
        {"e-after/two.dll", &kModule64},
        {"unreadable.dll", nullptr},
        {"z-last.dll", &kModule64},
    };
    for (std::size_t i = 0; i < rows.size(); ++i) {
        SCOPED_TRACE(expected[i].name);
        EXPECT_EQ(rows[i][5], tree.PathOf(expected[i].name));
        EXPECT_TRUE(expected[i].module ? IsRowOf(rows[i], *expected[i].module) : IsUnreadableRow(rows[i]))
            << run.out;
    }
}

TEST_F(UnreadableTree, UnreadableFilesAreCountedButHaveNoBitness)
{
    // The default bitness classes drop what cannot be opened; the count keeps it.
    const ScannerRun run = RunScannerUnprivileged({"-d", tree.Root()});
    ASSERT_FALSE(run.hung);
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.err, "DLLs: 5\n");
    const std::vector<Cells> rows = ReadTsv(run.out);
    ASSERT_EQ(rows.size(), 3u) << run.out;
    EXPECT_EQ(rows[0][5], tree.PathOf("a-open/one.dll"));
    EXPECT_EQ(rows[1][5], tree.PathOf("e-after/two.dll"));
    EXPECT_EQ(rows[2][5], tree.PathOf("z-last.dll"));
}

TEST_F(UnreadableTree, ALockedStartingDirectoryGivesNothingAndEndsCleanly)
{
    const ScannerRun run =
        RunScannerUnprivileged({"-d", tree.PathOf("b-locked") + ";" + tree.PathOf("e-after"), "-b", "16,32,64,unknown"});
    ASSERT_FALSE(run.hung);
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.err, "DLLs: 1\n");
    const std::vector<Cells> rows = ReadTsv(run.out);
    ASSERT_EQ(rows.size(), 1u) << run.out;
    EXPECT_TRUE(IsRowOf(rows[0], kModule64));
}

}  // namespace
