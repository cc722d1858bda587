// A listing's names: one read sorted as one whole sort, a read that goes on
// after the names kept when a listing gave the others back, and the budget
// that decides which listings give back. (Whole directories through
// FindFirstFileA are in LargeDirectoryTest.cpp, the scanner's walk of
// 100,000 files in the hostile-tree suite.)
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
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

TEST(DirectoryNames, ReadingOnAfterTheNamesKeptGivesEachNameOnceWhateverChanges)
{
    // As a listing that gave names back: it gives three, keeps two, and
    // reads on after them. Meanwhile the next name to give goes, and a name
    // before those given and one after them come: the walk sees the names
    // there after it, once each, in order.
    Names directory;
    for (int i = 0; i < 40; ++i) directory.push_back((i % 2 ? "n" : "N") + std::to_string(100 + (i * 7) % 40));
    posix::NamesInDirectoryOrder names;
    Read(names, directory);
    Names given;
    for (int read = 0; names.Count() > 5 && read < 100; ++read) {
        for (std::size_t i = 0; i < 3; ++i) given.emplace_back(names.Name(i));
        const std::size_t held = names.HeldBytes();
        names.KeepOnly(3, 2);
        EXPECT_LT(names.HeldBytes(), held);
        for (std::size_t i = 0; i < names.Count(); ++i) given.emplace_back(names.Name(i));
        const std::string next = Read(names, directory, &given.back()).front();
        directory.erase(std::find(directory.begin(), directory.end(), next));
        directory.insert(directory.end(), {"a" + std::to_string(read), "z" + std::to_string(read)});
        Read(names, directory, &given.back());
    }
    for (std::size_t i = 0; i < names.Count(); ++i) given.emplace_back(names.Name(i));
    const auto isBeforeThoseGiven = [](const std::string& n) { return n[0] == 'a'; };
    directory.erase(std::remove_if(directory.begin(), directory.end(), isBeforeThoseGiven), directory.end());
    EXPECT_EQ(given, Sorted(directory));
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
    posix::ListingBudget budget(kMiB);
    FakeListing refusing, other, small, read;
    refusing.refuses = true;
    budget.Account(refusing, 4 * kMiB, 4 * kMiB);
    budget.Account(other, 3 * kMiB, 3 * kMiB);
    budget.Account(small, kSmall, kSmall);
    EXPECT_EQ(refusing.asked + other.asked, 0) << "7 MiB and a bit are within twice 4 MiB and the floor";
    // 13 MiB and a bit against 13: the largest other is asked first; one
    // that refuses is passed over for the next; one too small to give back
    // and the one just read are never asked.
    budget.Account(read, 6 * kMiB, 6 * kMiB);
    EXPECT_EQ(refusing.asked, 1);
    EXPECT_EQ(other.asked, 1);
    EXPECT_EQ(small.asked + read.asked, 0);
    // Still past the budget with nothing left to ask: each is asked once, and the read ends.
    budget.Account(read, 12 * kMiB, 6 * kMiB);
    EXPECT_EQ(refusing.asked, 2);
    EXPECT_EQ(other.asked + small.asked + read.asked, 1);
    EXPECT_EQ(budget.HeldBytes(), 16 * kMiB + kSmall + 1000);
    for (FakeListing* listing : {&read, &small, &refusing, &other}) budget.Leave(*listing);
    EXPECT_EQ(budget.HeldBytes(), 0u);
}

}  // namespace
