// Symbolic-link loops, a link to /, and trees deeper than PATH_MAX, through
// the built scanner.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <unistd.h>

#include "HostileSupport.h"
#include "ScannerRun.h"
#include "TempTree.h"

namespace {

std::vector<std::string> NamesOf(const std::vector<Cells>& rows)
{
    std::vector<std::string> names;
    for (const Cells& row : rows)
        names.push_back(row.size() == 6 ? row[5] : "(row of " + std::to_string(row.size()) + " cells)");
    return names;
}

TEST(SymbolicLinks, LoopsAndALinkToTheRootAreNeverFollowed)
{
    TempTree tree;
    const Bytes module = FixtureBytes(kModule32);
    tree.AddFile("real/m.dll", module);
    tree.AddFile("real/deeper/n.dll", module);
    const struct {
        const char* link;
        const char* target;
    } links[] = {
        {"loop-self", "."},
        {"loop-parent", ".."},
        {"real/deeper/to-top", "../.."},
        {"to-root", "/"},
        {"ping", "pong"},
        {"pong", "ping"},
        {"self", "self"},
        {"linked.dll", "real/m.dll"},
        {"chain.dll", "linked.dll"},
        {"to-root-dir.x", "/"},
        // Links to directories named like modules: neither entered nor
        // read as files (once they gave a row and were counted).
        {"dir-link.dll", "real"},
        {"root-link.ocx", "/"},
    };
    for (const auto& l : links) ASSERT_EQ(symlink(l.target, tree.PathOf(l.link).c_str()), 0) << l.link;

    const ScannerRun run = RunScanner({"-d", tree.Root()}, 60);
    ASSERT_FALSE(run.hung) << "a link loop or the link to / was followed";
    EXPECT_EQ(run.exitCode, 0) << run.err;
    const std::vector<Cells> rows = ReadTsv(run.out);
    // Links to files are files; links to directories are not entered.
    EXPECT_EQ(NamesOf(rows), (std::vector<std::string>{tree.PathOf("chain.dll"), tree.PathOf("linked.dll"),
                                                       tree.PathOf("real/deeper/n.dll"), tree.PathOf("real/m.dll")}));
    for (const Cells& row : rows) EXPECT_TRUE(IsRowOf(row, kModule32)) << row[5];
    EXPECT_EQ(run.err, "DLLs: 4\n");
}

TEST(SymbolicLinks, ALinkGivenAsTheDirectoryIsEnteredItselfButNothingBelowIt)
{
    // As with the drive roots (links of the Wine prefix): the link named in
    // the list is entered, links below it are not.
    TempTree tree;
    const Bytes module = FixtureBytes(kModule64);
    tree.AddFile("target/m.dll", module);
    ASSERT_EQ(symlink(tree.Root().c_str(), tree.PathOf("target/back").c_str()), 0);
    ASSERT_EQ(symlink(tree.PathOf("target").c_str(), tree.PathOf("entry").c_str()), 0);

    const ScannerRun run = RunScanner({"-d", tree.PathOf("entry")}, 60);
    ASSERT_FALSE(run.hung);
    const std::vector<Cells> rows = ReadTsv(run.out);
    EXPECT_EQ(NamesOf(rows), (std::vector<std::string>{tree.PathOf("entry/m.dll")}));
}

class DeepTree : public ::testing::Test {
protected:
    void TearDown() override { RemoveTree(tree.Root()); }
    TempTree tree;
};

// Every module whose path the system can still name is found; where paths
// pass PATH_MAX the walk says so and ends there. A file is counted when its
// directory ("dir/") could be listed, and has a row when its own path fits.
void ExpectEveryNameableModule(const ScannerRun& run, const std::vector<std::string>& modules)
{
    ASSERT_FALSE(run.hung) << "the walk of a tree deeper than PATH_MAX did not end";
    EXPECT_EQ(run.exitCode, 1) << run.err;
    std::vector<std::string> nameable;
    std::size_t listed = 0;
    for (const std::string& path : modules) {
        if (path.size() < PATH_MAX) nameable.push_back(path);
        if (path.size() - std::string("m.dll").size() < PATH_MAX) ++listed;
    }
    ASSERT_LT(listed, modules.size()) << "the tree is not deeper than PATH_MAX";
    // A directory sorts before the module beside it: the deepest row comes first.
    std::reverse(nameable.begin(), nameable.end());
    // Compared by length: the paths themselves are too long to show.
    const std::vector<std::string> names = NamesOf(ReadTsv(run.out));
    std::vector<std::size_t> lengths;
    std::vector<std::size_t> expectedLengths;
    for (const std::string& name : names) lengths.push_back(name.size());
    for (const std::string& path : nameable) expectedLengths.push_back(path.size());
    EXPECT_EQ(lengths, expectedLengths);
    EXPECT_TRUE(names == nameable);
    for (const Cells& row : ReadTsv(run.out)) EXPECT_TRUE(IsRowOf(row, kModule32)) << row[5].size();
    // One line for the first directory past PATH_MAX, whose name is too long
    // to show here, then the count.
    const std::string count = "DLLs: " + std::to_string(listed) + "\n";
    ASSERT_GT(run.err.size(), count.size());
    EXPECT_EQ(run.err.compare(run.err.size() - count.size(), count.size(), count), 0) << run.err.size();
    const std::string told = run.err.substr(0, run.err.size() - count.size());
    EXPECT_EQ(told.rfind("modaris-scan: cannot list '", 0), 0u);
    EXPECT_EQ(std::count(told.begin(), told.end(), '\n'), 1);
    EXPECT_NE(told.find("': File name too long\n"), std::string::npos);
}

TEST_F(DeepTree, LongNamesPastPathMax)
{
    const std::string name(200, 'd');
    const std::vector<std::string> modules =
        BuildDeepTree(tree.Root(), name, PATH_MAX / 200 + 5, 1, FixtureBytes(kModule32));
    ExpectEveryNameableModule(RunScanner({"-d", tree.Root()}, 120), modules);
}

TEST_F(DeepTree, ThousandsOfOneLetterLevels)
{
    // Over 2,000 nested directories: the walker's recursion must not run out
    // of stack on the worker, in any build.
    const std::vector<std::string> modules =
        BuildDeepTree(tree.Root(), "d", PATH_MAX / 2 + 100, 100, FixtureBytes(kModule32));
    ExpectEveryNameableModule(RunScanner({"-d", tree.Root()}, 240), modules);
}

}  // namespace
