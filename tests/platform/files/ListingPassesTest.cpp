// A listing holds a bounded number of names and reads a large directory in
// passes: the order must be that of one whole sort, across passes and
// across a directory that changes between them. (The scanner's walk of
// 100,000 files is in the hostile-tree suite.)
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "platform/posix/directory_order.h"

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
    // Names that agree in their first eight bytes, case aside, are told apart further on.
    for (const char* odd : {"_x", "a", "A", "zz2.dll", "Zz.dll", "\xC3\xA9t\xC3\xA9", "b.", "B", "LongName-2.dll",
                            "longname-1.dll", "LONGNAME-1.dll", "longname"})
        directory.push_back(odd);

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

}  // namespace
