// A listing holds a bounded number of names and reads a large directory in
// passes: the order must be that of one whole sort, across passes and
// across a directory that changes between them.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fcntl.h>
#include <functional>
#include <set>
#include <string>
#include <unistd.h>
#include <vector>

#include "TempTree.h"
#include "platform/posix/directory_order.h"
#include "platform/win32.h"

namespace {

using Names = std::vector<std::string>;

Names Sorted(Names names)
{
    std::sort(names.begin(), names.end(),
              [](const std::string& a, const std::string& b) { return posix::ComesBeforeInDirectoryOrder(a, b); });
    return names;
}

// Runs passes of at most `names` names and about `bytes` bytes over
// `directory` until one says it was the last; `change` may alter the
// directory after each pass.
Names AllPasses(Names& directory, std::size_t names, std::size_t bytes,
                const std::function<void(int pass)>& change = {})
{
    posix::NextNamesInOrder batch(names, bytes);
    Names given;
    for (int pass = 0; pass < 1000; ++pass) {
        batch.StartPass(given.empty() ? nullptr : &given.back());
        for (const std::string& name : directory) batch.Offer(name, 0);
        const bool last = batch.FinishPass();
        std::size_t held = 0;
        for (std::size_t i = 0; i < batch.Count(); ++i) {
            given.emplace_back(batch.Name(i));
            held += batch.Name(i).size();
        }
        EXPECT_LE(batch.Count(), names);
        EXPECT_TRUE(held <= 2 * bytes || batch.Count() <= 2) << held << " bytes held";
        if (last) return given;
        if (change) change(pass);
    }
    ADD_FAILURE() << "the passes did not end";
    return given;
}

TEST(ListingPasses, GiveTheOrderOfOneWholeSortWhateverTheCapacity)
{
    Names directory;
    for (int i = 0; i < 50; ++i) {
        char name[16];
        std::snprintf(name, sizeof name, i % 3 ? "f%02d.dll" : "F%02d.DLL", (i * 37) % 50);
        directory.push_back(name);
    }
    for (const char* odd : {"_x", "a", "A", "zz2.dll", "Zz.dll", "\xC3\xA9t\xC3\xA9", "b.", "B"}) directory.push_back(odd);

    const struct {
        std::size_t names, bytes;
    } limits[] = {{1, 1000}, {2, 1000}, {7, 1000}, {29, 1000}, {58, 1000}, {59, 1000}, {200, 1000},
                  {200, 1}, {200, 9}, {200, 40}, {5, 12}};
    for (const auto& limit : limits) {
        Names copy = directory;
        EXPECT_EQ(AllPasses(copy, limit.names, limit.bytes), Sorted(directory)) << limit.names << " names, "
                                                                                  << limit.bytes << " bytes";
    }
    Names empty;
    EXPECT_TRUE(AllPasses(empty, 4, 100).empty());
}

TEST(ListingPasses, ADirectoryThatChangesBetweenPassesGivesNoNameTwiceAndEnds)
{
    Names directory;
    for (int i = 0; i < 40; ++i) directory.push_back("n" + std::to_string(100 + i));
    // After each pass: the first name left to give is removed, a name before
    // the ones given and one far after them are added, and a name given is
    // created again.
    int added = 0;
    Names given = AllPasses(directory, 5, 1000, [&](int pass) {
        directory.erase(std::find(directory.begin(), directory.end(), "n" + std::to_string(100 + 5 * (pass + 1))));
        directory.push_back("a" + std::to_string(added));
        directory.push_back("z" + std::to_string(added++));
        directory.push_back("n100");
    });
    const std::set<std::string> distinct(given.begin(), given.end());
    EXPECT_EQ(distinct.size(), given.size()) << "a name came twice";
    EXPECT_EQ(given, Sorted(given));
    EXPECT_EQ(std::count_if(given.begin(), given.end(), [](const std::string& n) { return n[0] == 'a'; }), 0);
    EXPECT_GE(std::count_if(given.begin(), given.end(), [](const std::string& n) { return n[0] == 'z'; }), 1);
    EXPECT_EQ(std::count(given.begin(), given.end(), "n105"), 0);
}

// A directory of more names than one pass gives, through the file API.
constexpr std::size_t kCrowd = posix::kNamesPerListingPass + posix::kNamesPerListingPass / 2;

void Create(const TempTree& tree, const std::string& name)
{
    const int fd = open(tree.PathOf(name).c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
    ASSERT_GE(fd, 0) << name;
    close(fd);
}

std::string NameOf(const WIN32_FIND_DATAA& entry)
{
    return std::string(entry.cFileName) + (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY ? "/" : "");
}

// Lists `pattern` whole; `midway` runs once after `after` entries.
Names ListAll(const std::string& pattern, std::size_t after = 0, const std::function<void()>& midway = {})
{
    Names listed;
    WIN32_FIND_DATAA entry;
    HANDLE listing = FindFirstFileA(pattern.c_str(), &entry);
    if (listing == INVALID_HANDLE_VALUE) return listed;
    do {
        listed.push_back(NameOf(entry));
        if (midway && listed.size() == after) midway();
        if (listed.size() > 3 * kCrowd) break;  // a listing that does not end
    } while (FindNextFileA(listing, &entry));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_MORE_FILES));
    EXPECT_FALSE(FindNextFileA(listing, &entry)) << "a listing at its end started again";
    FindClose(listing);
    return listed;
}

// One tree for every check: making the files is the costly part.
TEST(CrowdedListing, GivesEveryNameInOrderAlsoWhenTheDirectoryChangesBetweenPasses)
{
    TempTree tree;
    Names names;
    for (std::size_t i = 0; i < kCrowd; ++i) {
        char name[32];
        // Mixed case and a creation order unlike the listing's.
        std::snprintf(name, sizeof name, i % 2 ? "m%05zu.dll" : "M%05zu.Dll", (i * 7919) % kCrowd);
        Create(tree, name);
        names.push_back(name);
    }
    tree.AddDirectory("sub");
    names.push_back("sub/");
    const Names sorted = Sorted(names);

    Names expected = {"./", "../"};
    expected.insert(expected.end(), sorted.begin(), sorted.end());
    const Names listed = ListAll(tree.Root() + "/*.*");
    EXPECT_EQ(listed.size(), expected.size());
    EXPECT_TRUE(listed == expected);

    // The file that sorts last is found by its own pattern.
    const std::string last = sorted[sorted.size() - 2];
    ASSERT_EQ(last.back(), 'l');
    EXPECT_EQ(ListAll(tree.Root() + "/" + last), Names{last});

    // Midway through the first pass's names: one name of the next pass
    // removed, one added before every name given, one added after all.
    const std::string removed = sorted[posix::kNamesPerListingPass + 10];
    const Names changed = ListAll(tree.Root() + "/*", posix::kNamesPerListingPass / 2, [&] {
        EXPECT_EQ(unlink(tree.PathOf(removed).c_str()), 0);
        Create(tree, "A0000.dll");
        Create(tree, "zzz.dll");
    });
    const std::set<std::string> distinct(changed.begin(), changed.end());
    EXPECT_EQ(distinct.size(), changed.size()) << "a name came twice";
    EXPECT_EQ(distinct.count("A0000.dll"), 0u);
    EXPECT_EQ(distinct.count(removed), 0u);
    EXPECT_EQ(distinct.count("zzz.dll"), 1u);
    EXPECT_EQ(changed.size(), expected.size());  // one name out, one in
    const Names afterDots(changed.begin() + 2, changed.end());
    EXPECT_TRUE(afterDots == Sorted(afterDots));
}

}  // namespace
