// Large directories listed whole by FindFirstFileA/FindNextFileA as the
// walker lists them: each name once, in order; and inside one another,
// while the outer listing gives its names back to stay within the thread's
// budget and reads on later, and the tree changes meanwhile.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fcntl.h>
#include <functional>
#include <string>
#include <unistd.h>
#include <vector>

#include "TempTree.h"
#include "platform/posix/directory_order.h"
#include "platform/posix/listing_budget.h"
#include "platform/win32.h"

namespace {

using Names = std::vector<std::string>;

// Empty files, made faster than TempTree's, named `letter` (or its capital),
// a number and `padding` more letters.
Names MakeFiles(const std::string& directory, char letter, int count, std::size_t padding = 0)
{
    Names names;
    const std::string pad(padding, letter);
    for (int i = 0; i < count; ++i) {
        char name[300];
        std::snprintf(name, sizeof name, i % 2 ? "%c%06d%s.dat" : "%c%06d%s.DAT", i % 3 ? letter : letter - 32, i,
                      pad.c_str());
        const int fd = open((directory + "/" + name).c_str(), O_CREAT | O_WRONLY | O_CLOEXEC, 0644);
        if (fd < 0) throw std::runtime_error("cannot make " + directory + "/" + name);
        close(fd);
        names.push_back(name);
    }
    return names;
}

Names InDirectoryOrder(Names names)
{
    std::sort(names.begin(), names.end(),
              [](const std::string& a, const std::string& b) { return posix::ComesBeforeInDirectoryOrder(a, b); });
    names.insert(names.begin(), {".", ".."});
    return names;
}

std::size_t Held()
{
    return posix::ListingBudget::OfThisThread()->HeldBytes();
}

// Lists `directory` whole, calling `entered` on each subdirectory as the
// walker would descend into it; `held`: what the thread's listings held
// once this one was open.
Names ListWhole(const std::string& directory, const std::function<void(const std::string&)>& entered,
                std::size_t* held = nullptr)
{
    Names names;
    WIN32_FIND_DATAA entry;
    HANDLE listing = FindFirstFileA((directory + "/*.*").c_str(), &entry);
    if (listing == INVALID_HANDLE_VALUE) return names;
    if (held) *held = Held();
    do {
        names.push_back(entry.cFileName);
        const bool isDirectory = entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY;
        if (isDirectory && names.back() != "." && names.back() != "..") entered(directory + "/" + entry.cFileName);
    } while (FindNextFileA(listing, &entry));
    FindClose(listing);
    return names;
}

TEST(LargeDirectory, TwoHundredThousandNamesComeOnceEachInOrder)
{
    TempTree tree;
    const Names names = MakeFiles(tree.Root(), 'f', 200000);
    std::size_t held = 0;
    EXPECT_EQ(ListWhole(tree.Root(), {}, &held), InDirectoryOrder(names));
    // Names of 11 bytes: their records and slots, about 30 bytes each.
    EXPECT_LT(held, names.size() * 40) << held;
}

TEST(LargeDirectory, NestedListingsStayWithinTheirBudgetAndReadOnAfterGivingBack)
{
    // Long names, so that three directories of some thousand pass the floor.
    constexpr int kNames = 8000;
    constexpr std::size_t kPadding = 190;
    TempTree tree;
    tree.AddDirectory("outer/o004000-mid/inner");
    Names outer = MakeFiles(tree.PathOf("outer"), 'o', kNames, kPadding);
    Names mid = MakeFiles(tree.PathOf("outer/o004000-mid"), 'm', kNames, kPadding);
    const Names inner = MakeFiles(tree.PathOf("outer/o004000-mid/inner"), 'i', kNames, kPadding);
    const std::string doomed = outer[kNames - 10];  // far after the names the outer listing keeps
    outer.push_back("o004000-mid");
    mid.push_back("inner");

    std::size_t heldByOuter = 0;
    std::size_t heldByOuterAndMid = 0;
    std::size_t heldAtTheDeepest = 0;
    Names midGiven;
    Names innerGiven;
    const auto enterInner = [&](const std::string& innerPath) {
        innerGiven = ListWhole(innerPath, {}, &heldAtTheDeepest);
        // The outer listing has given back all but its next few names: it
        // must read on, finding a name that came after and not one that went.
        tree.AddFile("outer/zzz-new.dat");
        ASSERT_EQ(unlink(tree.PathOf("outer/" + doomed).c_str()), 0);
    };
    const auto enterMid = [&](const std::string& midPath) {
        midGiven = ListWhole(midPath, enterInner, &heldByOuterAndMid);
    };
    const Names outerGiven = ListWhole(tree.PathOf("outer"), enterMid, &heldByOuter);
    outer.push_back("zzz-new.dat");
    outer.erase(std::find(outer.begin(), outer.end(), doomed));

    EXPECT_EQ(innerGiven, InDirectoryOrder(inner));
    EXPECT_EQ(midGiven, InDirectoryOrder(mid));
    EXPECT_EQ(outerGiven, InDirectoryOrder(outer));
    // Three listings of one size, together past twice the largest and the
    // floor: with the inner one open, the outer one has given back.
    EXPECT_GT(3 * heldByOuter, 2 * heldByOuter + posix::kListingBudgetFloorBytes);
    const std::size_t threeWhole = heldByOuterAndMid + (heldByOuterAndMid - heldByOuter);
    EXPECT_LT(heldAtTheDeepest + heldByOuter / 2, threeWhole);
    EXPECT_LE(heldAtTheDeepest, 2 * heldByOuter + posix::kListingBudgetFloorBytes);
    EXPECT_EQ(Held(), 0u) << "every closed listing left the budget";
}

}  // namespace
