#include "platform/posix/listing_budget.h"

#include <algorithm>

namespace posix {

ListingBudget::ListingBudget(std::size_t floorBytes) : m_floorBytes(floorBytes) {}

std::shared_ptr<ListingBudget> ListingBudget::OfThisThread()
{
    // Held by its listings too, so a listing closed after its thread ended
    // still finds it.
    thread_local const std::shared_ptr<ListingBudget> budget = std::make_shared<ListingBudget>();
    return budget;
}

ListingBudget::Entry* ListingBudget::EntryOf(SheddableListing& listing)
{
    // The newest listings are the ones that read and close: looked for from the end.
    for (auto entry = m_entries.rbegin(); entry != m_entries.rend(); ++entry) {
        if (entry->listing == &listing) return &*entry;
    }
    return nullptr;
}

void ListingBudget::ChangeHeld(Entry& entry, std::size_t held)
{
    m_sheddable -= IsSheddable(entry);
    m_held = m_held - entry.held + held;
    entry.held = held;
    m_sheddable += IsSheddable(entry);
}

void ListingBudget::Account(SheddableListing& listing, std::size_t heldBytes, std::size_t directoryBytes)
{
    const std::lock_guard<std::mutex> hold(m_lock);
    Entry* entry = EntryOf(listing);
    if (!entry) {
        m_entries.push_back(Entry{&listing, 0, 0, false});
        entry = &m_entries.back();
    }
    entry->directory = directoryBytes;
    ChangeHeld(*entry, heldBytes);
    // The largest directory is at least this one: most reads end here,
    // without a look at the other listings.
    if (m_held <= 2 * directoryBytes + m_floorBytes) return;
    if (m_sheddable == 0 || (m_sheddable == 1 && IsSheddable(*entry))) return;
    Balance(listing);
}

void ListingBudget::Balance(const SheddableListing& justRead)
{
    std::size_t largest = 0;
    for (Entry& entry : m_entries) {
        largest = std::max(largest, entry.directory);
        entry.asked = false;
    }
    while (m_held > 2 * largest + m_floorBytes) {
        Entry* chosen = nullptr;
        for (Entry& entry : m_entries) {
            if (entry.listing == &justRead || entry.asked || !IsSheddable(entry)) continue;
            if (!chosen || entry.held > chosen->held) chosen = &entry;
        }
        if (!chosen) return;
        // Once per balancing: what is left of it is its next few names.
        chosen->asked = true;
        if (const std::optional<std::size_t> held = chosen->listing->Shed()) ChangeHeld(*chosen, *held);
    }
}

void ListingBudget::Leave(SheddableListing& listing)
{
    const std::lock_guard<std::mutex> hold(m_lock);
    Entry* entry = EntryOf(listing);
    if (!entry) return;
    ChangeHeld(*entry, 0);
    m_entries.erase(m_entries.begin() + (entry - m_entries.data()));
}

std::size_t ListingBudget::HeldBytes() const
{
    const std::lock_guard<std::mutex> hold(m_lock);
    return m_held;
}

}  // namespace posix
