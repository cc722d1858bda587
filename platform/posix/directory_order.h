#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace posix {

// The order in which Windows delivers directory entries on its file
// systems: bytes compared after ASCII letters are upper-cased, ties broken
// by the exact bytes.
bool ComesBeforeInDirectoryOrder(std::string_view a, std::string_view b);

// The longest name a read keeps: Linux's NAME_MAX. No file system of its
// gives a longer one, and a longer one could not be opened by its name.
constexpr std::size_t kLongestName = 255;

// The names of one read of a directory, each with a small tag, in directory
// order: one sort of the whole read. A read keeps every name, or only the
// names after a bound (the last name a listing kept when it gave the others
// back). The names go into blocks that never move while the read grows, and
// are sorted through slots of 16 bytes made once the read is done, so the
// memory is the names and one slot each, with no spare capacity to double.
class NamesInDirectoryOrder {
public:
    NamesInDirectoryOrder() = default;
    NamesInDirectoryOrder(const NamesInDirectoryOrder&) = delete;
    NamesInDirectoryOrder& operator=(const NamesInDirectoryOrder&) = delete;

    // Forgets the names kept and starts a read that keeps every name
    // (`after` null) or only those that come after `*after`.
    void StartRead(const std::string* after);
    // Names longer than kLongestName are passed over.
    void Offer(std::string_view name, unsigned char tag);
    // Puts the names of the read in order.
    void FinishRead();

    std::size_t Count() const { return m_slots.size(); }
    std::string_view Name(std::size_t index) const { return NameOf(m_slots[index]); }
    unsigned char Tag(std::size_t index) const { return m_slots[index].tag; }
    void SetTag(std::size_t index, unsigned char tag) { m_slots[index].tag = tag; }

    // Forgets every name but the `count` from `first` on (fewer at the end),
    // and gives their memory back.
    void KeepOnly(std::size_t first, std::size_t count);
    // The bytes the names and their slots take.
    std::size_t HeldBytes() const;

private:
    struct Slot {
        // The name's first eight bytes, upper-cased, as one number: most
        // comparisons of a sort are settled by it without reading the name.
        std::uint64_t key;
        std::uint32_t block;
        std::uint16_t offset;
        std::uint8_t length;
        std::uint8_t tag;
    };
    static_assert(sizeof(Slot) == 16, "a slot per name is all a sorted name costs beyond its bytes");
    // A block holds records of a length byte, a tag byte and the name.
    struct Block {
        std::unique_ptr<char[]> bytes;
        std::uint32_t capacity;
        std::uint32_t used;
    };

    std::string_view NameOf(const Slot& slot) const
    {
        return {m_blocks[slot.block].bytes.get() + slot.offset, slot.length};
    }
    void Append(std::string_view name, unsigned char tag);
    void MakeSlots();

    std::vector<Block> m_blocks;
    std::size_t m_blockBytes = 0;
    std::size_t m_records = 0;
    std::vector<Slot> m_slots;
    std::string m_after;
    std::uint64_t m_afterKey = 0;
    bool m_hasAfter = false;
};

}  // namespace posix
