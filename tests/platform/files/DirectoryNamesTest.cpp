// A listing's names: one read sorted as one whole sort, a read that goes on
// after the names kept when a listing gave the others back, and the budget
// that decides which listings give back. (Whole directories through
// FindFirstFileA are in LargeDirectoryTest.cpp, the scanner's walk of
// 100,000 files in the hostile-tree suite.)
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "platform/posix/directory_order.h"
#include "platform/posix/listing_budget.h"

namespace {

using Names = std::vector<std::string>;

Names Sorted(Names names)
{
    std::sort(names.begin(), names.end(),
              [](const std::string& a, const std::string& b) { return posix::ComesBeforeInDirectoryOrder(a, b); });
    return names;
}

Names Read(posix::NamesInDirectoryOrder& names, const Names& directory, const std::string* after = nullptr)
{
    names.StartRead(after);
    for (std::size_t i = 0; i < directory.size(); ++i) names.Offer(directory[i], static_cast<unsigned char>(i % 251));
    names.FinishRead();
    Names given;
    for (std::size_t i = 0; i < names.Count(); ++i) given.emplace_back(names.Name(i));
    return given;
}

TEST(DirectoryNames, OneReadIsOneWholeSortWithEachTagOnItsName)
{
    Names directory;
    // Enough names for many blocks, in an order far from the sorted one.
    for (int i = 0; i < 6000; ++i) {
        char name[16];
        std::snprintf(name, sizeof name, i % 3 ? "f%05d.dll" : "F%05d.DLL", (i * 7919) % 6000);
        directory.push_back(name);
    }
    // Names that agree in their first eight bytes, case aside, are told apart further on.
    for (const char* odd : {"_x", "a", "A", "zz2.dll", "Zz.dll", "\xC3\xA9t\xC3\xA9", "b.", "B", "LongName-2.dll",
                            "longname-1.dll", "LONGNAME-1.dll", "longname", "\xFF", "~"})
        directory.push_back(odd);
    directory.push_back(std::string(posix::kLongestName, 'q'));
    Names expected = Sorted(directory);
    directory.push_back(std::string(posix::kLongestName + 1, 'r'));  // no Linux name is this long
    directory.push_back("");

    posix::NamesInDirectoryOrder names;
    EXPECT_EQ(Read(names, directory), expected);
    for (std::size_t i = 0; i < names.Count(); ++i) {
        const auto at = std::find(directory.begin(), directory.end(), std::string(names.Name(i)));
        ASSERT_EQ(names.Tag(i), (at - directory.begin()) % 251) << names.Name(i);
    }
    EXPECT_TRUE(Read(names, {}).empty());
}

// Reads whole, then keeps `kept` names from where the listing stands and
// reads on after the last one, as a listing that gave names back does;
// `change` may alter the directory before each read on.
Names GiveBackAndReadOn(Names& directory, std::size_t step, std::size_t kept,
                        const std::function<void(int read)>& change = {})
{
    posix::NamesInDirectoryOrder names;
    Read(names, directory);
    Names given;
    for (int read = 0; read < 1000; ++read) {
        const std::size_t now = std::min(step, names.Count());
        for (std::size_t i = 0; i < now; ++i) given.emplace_back(names.Name(i));
        if (names.Count() <= now + kept) {
            for (std::size_t i = now; i < names.Count(); ++i) given.emplace_back(names.Name(i));
            return given;
        }
        const std::size_t heldBefore = names.HeldBytes();
        names.KeepOnly(now, kept);
        EXPECT_LT(names.HeldBytes(), heldBefore);
        EXPECT_EQ(names.Count(), kept);
        for (std::size_t i = 0; i < kept; ++i) given.emplace_back(names.Name(i));
        if (change) change(read);
        const std::string after = given.back();
        Read(names, directory, &after);
    }
    ADD_FAILURE() << "the reads did not end";
    return given;
}

TEST(DirectoryNames, ReadingOnAfterTheNamesKeptGivesEachNameOnceWhateverChanges)
{
    Names directory;
    for (int i = 0; i < 400; ++i) directory.push_back((i % 2 ? "n" : "N") + std::to_string(1000 + (i * 37) % 400));
    for (const auto& [step, kept] : {std::pair<std::size_t, std::size_t>{1, 1}, {7, 3}, {100, 16}, {0, 5}})
        EXPECT_EQ(GiveBackAndReadOn(directory, step, kept), Sorted(directory)) << step << ", " << kept;

    // Before each read on: the next name to give is removed, a name before
    // those given and one after them are added, and a name given is made
    // again.
    Names changing;
    for (int i = 0; i < 40; ++i) changing.push_back("n" + std::to_string(100 + i));
    int added = 0;
    const Names given = GiveBackAndReadOn(changing, 3, 2, [&](int) {
        const Names sorted = Sorted(changing);
        const auto next = std::upper_bound(sorted.begin(), sorted.end(), "n" + std::to_string(100 + 5 * added),
                                           posix::ComesBeforeInDirectoryOrder);
        changing.push_back("a" + std::to_string(added));
        changing.push_back("z" + std::to_string(added++));
        changing.push_back("n100");
        if (next != sorted.end()) changing.erase(std::find(changing.begin(), changing.end(), *next));
    });
    const std::set<std::string> distinct(given.begin(), given.end());
    EXPECT_EQ(distinct.size(), given.size()) << "a name came twice";
    EXPECT_EQ(given, Sorted(given));
    EXPECT_EQ(std::count_if(given.begin(), given.end(), [](const std::string& n) { return n[0] == 'a'; }), 0);
    EXPECT_GE(std::count_if(given.begin(), given.end(), [](const std::string& n) { return n[0] == 'z'; }), 1);
}

// A listing that gives back down to `after` bytes, or refuses.
struct FakeListing final : posix::SheddableListing {
    std::optional<std::size_t> Shed() override
    {
        ++asked;
        return refuses ? std::nullopt : std::optional<std::size_t>(after);
    }
    std::size_t after = 1000;
    bool refuses = false;
    int asked = 0;
};

TEST(ListingBudget, OthersGiveBackLargestFirstOnlyPastTwiceTheLargestAndTheFloor)
{
    constexpr std::size_t kMiB = 1 << 20;
    constexpr std::size_t kSmall = posix::kSmallestSheddableBytes - 1;
    {
        posix::ListingBudget budget(kMiB);
        FakeListing outer, middle, small, inner;
        budget.Account(outer, 4 * kMiB, 4 * kMiB);
        budget.Account(middle, 3 * kMiB, 3 * kMiB);
        budget.Account(small, kSmall, kSmall);
        EXPECT_EQ(outer.asked + middle.asked, 0) << "7 MiB and a bit are within twice 4 MiB and the floor";
        // 11 MiB and a bit against 9: the largest of the others gives back, which is enough.
        budget.Account(inner, 4 * kMiB, 4 * kMiB);
        EXPECT_EQ(outer.asked, 1);
        EXPECT_EQ(middle.asked + small.asked + inner.asked, 0);
        EXPECT_EQ(budget.HeldBytes(), 7 * kMiB + kSmall + 1000);
        for (FakeListing* listing : {&inner, &small, &outer, &middle}) budget.Leave(*listing);
        EXPECT_EQ(budget.HeldBytes(), 0u);
    }
    posix::ListingBudget budget(kMiB);
    FakeListing refusing, other, small, read;
    refusing.refuses = true;
    budget.Account(refusing, 4 * kMiB, 4 * kMiB);
    budget.Account(other, 3 * kMiB, 3 * kMiB);
    budget.Account(small, kSmall, kSmall);
    // 13 MiB and a bit against 13: one that refuses is passed over for the
    // next; one too small to give back and the one just read are never asked.
    budget.Account(read, 6 * kMiB, 6 * kMiB);
    EXPECT_EQ(refusing.asked, 1);
    EXPECT_EQ(other.asked, 1);
    EXPECT_EQ(small.asked + read.asked, 0);
    // Still past the budget with nothing left to ask: each is asked once, and the read ends.
    budget.Account(read, 12 * kMiB, 6 * kMiB);
    EXPECT_EQ(refusing.asked, 2);
    EXPECT_EQ(other.asked + small.asked + read.asked, 1);
    EXPECT_EQ(budget.HeldBytes(), 16 * kMiB + kSmall + 1000);
}

}  // namespace
