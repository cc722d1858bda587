#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace posix {

// The order in which Windows delivers directory entries on its file
// systems: bytes compared after ASCII letters are upper-cased, ties broken
// by the exact bytes.
bool ComesBeforeInDirectoryOrder(std::string_view a, std::string_view b);

// How many names, and how many bytes of names, one pass of a listing holds
// at most: twice these. A larger directory is read again for each next
// batch, so that a walk's memory does not grow with the size of its
// directories; smaller batches would mean more passes over a large one.
constexpr std::size_t kNamesPerListingPass = 4096;
constexpr std::size_t kNameBytesPerListingPass = 64 * 1024;

// Keeps, from one pass over a directory's names, the first names in
// directory order among those that come after a bound (the last name
// handed out), each with a small tag: at most `names` of them, or twice as
// many while a pass reads, and at most twice `nameBytes` bytes of names
// (or two names, however long). The names share one buffer.
class NextNamesInOrder {
public:
    NextNamesInOrder(std::size_t names, std::size_t nameBytes);

    // Forgets the names kept and starts a pass that keeps every name
    // (`after` null) or only the names that come after `*after`.
    void StartPass(const std::string* after);
    void Offer(std::string_view name, unsigned char tag);
    // Puts the kept names in order. True when the pass kept every name it
    // was offered, so no later pass can give more.
    bool FinishPass();

    std::size_t Count() const { return m_slots.size(); }
    std::string_view Name(std::size_t index) const;
    unsigned char Tag(std::size_t index) const { return m_slots[index].tag; }
    void SetTag(std::size_t index, unsigned char tag) { m_slots[index].tag = tag; }

private:
    struct Slot {
        // The name's first eight bytes, upper-cased, as one number: most
        // comparisons of a sort are settled by it without reading the name.
        std::uint64_t key;
        std::uint32_t offset;
        std::uint32_t length;
        unsigned char tag;
    };

    std::string_view NameOf(const Slot& slot) const { return {m_names.data() + slot.offset, slot.length}; }
    auto SlotsInDirectoryOrder() const
    {
        return [this](const Slot& a, const Slot& b) { return KeyedBefore(a.key, NameOf(a), b.key, NameOf(b)); };
    }
    static bool KeyedBefore(std::uint64_t aKey, std::string_view a, std::uint64_t bKey, std::string_view b);
    // True (and noted) for a name that a later pass must give.
    bool IsPastCutoff(std::uint64_t key, std::string_view name);
    // Drops every name but the first `count`, and remembers the last one
    // kept: a name after it can be refused at once.
    void KeepFirstNames(std::size_t count);
    void CompactNames();
    void SortByName();
    // Grows the buffers by doubling, but never past their limits.
    void MakeRoomFor(std::size_t length);

    std::size_t m_nameLimit;
    std::size_t m_byteLimit;
    std::vector<Slot> m_slots;
    std::vector<char> m_names;  // a vector: its reserve takes no more than asked
    std::string m_after;
    std::uint64_t m_afterKey = 0;
    bool m_hasAfter = false;
    std::string m_cutoff;
    std::uint64_t m_cutoffKey = 0;
    bool m_hasCutoff = false;
    bool m_refusedAny = false;
};

}  // namespace posix
