// How much the open listings of one thread may hold together. A listing
// holds its whole directory, so that the directory is read once and sorted
// once however large it is; but a walk keeps a listing open on every level
// it is in, and a chain of large directories inside one another would make
// these together grow with the tree. So the listings a thread opened hold
// at most twice the largest directory among them and a floor: past that,
// the largest of the others give back all but their next few names, and
// read their directory again (for the names after those) when the walk
// comes back to them. A walk below the floor never reads a directory twice.
#pragma once

#include <cstddef>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

namespace posix {

// What every walk may hold without a listing giving anything back.
constexpr std::size_t kListingBudgetFloorBytes = 1u << 20;
// A listing holding less is never asked to give back: a deep walk of small
// directories keeps no path per level for reading one again.
constexpr std::size_t kSmallestSheddableBytes = 64u << 10;

class SheddableListing {
public:
    // Gives back all but its next few names, and says what it holds then;
    // nothing when it cannot now (another thread is using it).
    virtual std::optional<std::size_t> Shed() = 0;

protected:
    ~SheddableListing() = default;
};

class ListingBudget {
public:
    explicit ListingBudget(std::size_t floorBytes = kListingBudgetFloorBytes);
    ListingBudget(const ListingBudget&) = delete;
    ListingBudget& operator=(const ListingBudget&) = delete;

    // The budget of the listings the calling thread opens.
    static std::shared_ptr<ListingBudget> OfThisThread();

    // After `listing` read its directory, of `directoryBytes`, and holds
    // `heldBytes`: enters it when new, and has others give back what passes
    // the budget. May call Shed of the others, never of `listing`.
    void Account(SheddableListing& listing, std::size_t heldBytes, std::size_t directoryBytes);
    // A listing that closes.
    void Leave(SheddableListing& listing);

    // What the listings hold together.
    std::size_t HeldBytes() const;

private:
    struct Entry {
        SheddableListing* listing;
        std::size_t held;
        std::size_t directory;
        bool asked;  // in this balancing: a listing gives back once
    };

    Entry* EntryOf(SheddableListing& listing);
    void Balance(const SheddableListing& justRead);
    static bool IsSheddable(const Entry& entry) { return entry.held >= kSmallestSheddableBytes; }
    void ChangeHeld(Entry& entry, std::size_t held);

    const std::size_t m_floorBytes;
    mutable std::mutex m_lock;
    std::vector<Entry> m_entries;
    std::size_t m_held = 0;
    std::size_t m_sheddable = 0;  // entries holding at least kSmallestSheddableBytes
};

}  // namespace posix
