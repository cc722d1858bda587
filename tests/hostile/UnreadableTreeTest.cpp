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
        const struct {
            const char* name;
            const KnownModule& module;
            unsigned mode;  // set whatever the umask, so that nobody may read what it should
        } files[] = {
            {"a-open/one.dll", kModule32, 0644},
            {"b-locked/hidden.dll", kModule32, 0644},
            {"c-no-list/hidden.dll", kModule32, 0644},
            {"d-no-enter/seen.dll", kModule32, 0644},
            {"d-no-enter/sub/below.dll", kModule32, 0644},
            {"e-after/two.dll", kModule64, 0644},
            {"unreadable.dll", kModule32, 0},
            {"z-last.dll", kModule64, 0644},
        };
        for (const auto& file : files) {
            tree.AddFile(file.name, FixtureBytes(file.module));
            chmod(tree.PathOf(file.name).c_str(), file.mode);
        }
        for (const char* directory : {"", "a-open", "d-no-enter/sub", "e-after"})
            chmod(PathOf(directory).c_str(), 0755);
        chmod(tree.PathOf("b-locked").c_str(), 0);       // neither listed nor entered
        chmod(tree.PathOf("c-no-list").c_str(), 0311);   // entered, never listed
        chmod(tree.PathOf("d-no-enter").c_str(), 0644);  // listed, nothing in it opened
    }
    void TearDown() override { RemoveTree(tree.Root()); }
    std::string PathOf(const std::string& relative) const
    {
        return relative.empty() ? tree.Root() : tree.PathOf(relative);
    }

    TempTree tree;
};

TEST_F(UnreadableTree, EveryReadableModuleIsFoundAndTheWalkGoesOnPastWhatIsLocked)
{
    const struct {
        const char* what;
        std::vector<std::string> directories;
        const char* bits;
        std::vector<const char*> unlisted;                             // told on standard error, in the walk's order
        const char* count;                                             // the count names every file read
        std::vector<std::pair<const char*, const KnownModule*>> rows;  // null: listed but unreadable
    } cases[] = {
        {"every bitness",
         {""},
         "16,32,64,unknown",
         {"b-locked", "c-no-list", "d-no-enter/sub"},
         "DLLs: 5\n",
         {{"a-open/one.dll", &kModule32},
          {"d-no-enter/seen.dll", nullptr},
          {"e-after/two.dll", &kModule64},
          {"unreadable.dll", nullptr},
          {"z-last.dll", &kModule64}}},
        // The default classes drop what cannot be opened; the count keeps it.
        {"default bitness",
         {""},
         "32,64",
         {"b-locked", "c-no-list", "d-no-enter/sub"},
         "DLLs: 5\n",
         {{"a-open/one.dll", &kModule32}, {"e-after/two.dll", &kModule64}, {"z-last.dll", &kModule64}}},
        {"a locked starting directory",
         {"b-locked", "e-after"},
         "16,32,64,unknown",
         {"b-locked"},
         "DLLs: 1\n",
         {{"e-after/two.dll", &kModule64}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::string directories;
        for (const std::string& directory : c.directories)
            directories += (directories.empty() ? "" : ";") + PathOf(directory);
        const ScannerRun run = RunScannerUnprivileged({"-d", directories, "-b", c.bits});
        ASSERT_FALSE(run.hung) << "the scan of a tree with locked parts did not end";
        // Whatever could not be listed is told, the walk goes on, and the end
        // says something was missed.
        EXPECT_EQ(run.exitCode, 1) << run.err;
        std::string told;
        for (const char* directory : c.unlisted) {
            told += "modaris-scan: cannot list '" + PathOf(directory) + "': Permission denied\n";
        }
        EXPECT_EQ(run.err, told + c.count);
        const std::vector<Cells> rows = ReadTsv(run.out);
        ASSERT_EQ(rows.size(), c.rows.size()) << run.out;
        for (std::size_t i = 0; i < rows.size(); ++i) {
            const auto& [name, module] = c.rows[i];
            EXPECT_EQ(rows[i][5], tree.PathOf(name));
            EXPECT_TRUE(module ? IsRowOf(rows[i], *module) : IsUnreadableRow(rows[i])) << name << ": " << run.out;
        }
    }
}

}  // namespace
