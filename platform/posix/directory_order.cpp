#include "platform/posix/directory_order.h"

#include <algorithm>
#include <cstring>

#include "support/AsciiCase.h"

namespace posix {

namespace {

// Bytes compare unsigned, so that names beyond ASCII sort after it.
unsigned char UpperAscii(char c) { return static_cast<unsigned char>(support::ToUpperAscii(c)); }

// A name's first eight bytes, upper-cased, as one number: where two keys
// differ they order as the names do. A short name is padded with zero
// bytes, which no name holds, so a name that begins a longer one gets the
// smaller key.
std::uint64_t OrderKeyOf(std::string_view name)
{
    std::uint64_t key = 0;
    for (std::size_t i = 0; i < 8; ++i) key = key << 8 | (i < name.size() ? UpperAscii(name[i]) : 0u);
    return key;
}

}  // namespace

bool ComesBeforeInDirectoryOrder(std::string_view a, std::string_view b)
{
    const std::size_t common = std::min(a.size(), b.size());
    std::size_t i = 0;
    // Equal bytes are equal upper-cased too: skipped eight at a time.
    for (; i + 8 <= common && std::memcmp(a.data() + i, b.data() + i, 8) == 0; i += 8) {
    }
    for (; i < common; ++i) {
        const unsigned char x = UpperAscii(a[i]);
        const unsigned char y = UpperAscii(b[i]);
        if (x != y) return x < y;
    }
    if (a.size() != b.size()) return a.size() < b.size();
    return a < b;  // char_traits<char> compares bytes as unsigned char
}

NextNamesInOrder::NextNamesInOrder(std::size_t names, std::size_t nameBytes)
    : m_nameLimit(std::max<std::size_t>(names, 1)), m_byteLimit(std::max<std::size_t>(nameBytes, 1))
{
}

void NextNamesInOrder::StartPass(const std::string* after)
{
    m_slots.clear();
    m_names.clear();
    m_hasAfter = after != nullptr;
    if (after) {
        m_after = *after;
        m_afterKey = OrderKeyOf(m_after);
    }
    m_hasCutoff = false;
    m_refusedAny = false;
}

void NextNamesInOrder::Offer(std::string_view name, unsigned char tag)
{
    // Names are distinct within a directory, so "after the bound" never
    // gives a name again, even when the directory changes between passes.
    const std::uint64_t key = OrderKeyOf(name);
    if (m_hasAfter && !KeyedBefore(m_afterKey, m_after, key, name)) return;
    if (IsPastCutoff(key, name)) return;
    const bool full = m_slots.size() >= 2 * m_nameLimit || m_names.size() + name.size() > 2 * m_byteLimit;
    if (full) {
        if (m_slots.size() >= 2 * m_nameLimit) KeepFirstNames(m_nameLimit);
        // Halving the names held soon makes room: a name is short next to
        // the limit (a file system's longest name is a few hundred bytes).
        while (m_slots.size() > 1 && m_names.size() + name.size() > 2 * m_byteLimit) KeepFirstNames(m_slots.size() / 2);
        if (IsPastCutoff(key, name)) return;  // the cutoff has come down
    }
    MakeRoomFor(name.size());
    m_slots.push_back(Slot{key, static_cast<std::uint32_t>(m_names.size()),
                           static_cast<std::uint32_t>(name.size()), tag});
    m_names.insert(m_names.end(), name.begin(), name.end());
}

bool NextNamesInOrder::KeyedBefore(std::uint64_t aKey, std::string_view a, std::uint64_t bKey, std::string_view b)
{
    return aKey != bKey ? aKey < bKey : ComesBeforeInDirectoryOrder(a, b);
}

bool NextNamesInOrder::IsPastCutoff(std::uint64_t key, std::string_view name)
{
    if (!m_hasCutoff || KeyedBefore(key, name, m_cutoffKey, m_cutoff)) return false;
    m_refusedAny = true;
    return true;
}

bool NextNamesInOrder::FinishPass()
{
    if (m_slots.size() > m_nameLimit) KeepFirstNames(m_nameLimit);
    SortByName();
    return !m_refusedAny;
}

void NextNamesInOrder::SortByName()
{
    std::sort(m_slots.begin(), m_slots.end(), SlotsInDirectoryOrder());
}

std::string_view NextNamesInOrder::Name(std::size_t index) const
{
    return NameOf(m_slots[index]);
}

void NextNamesInOrder::KeepFirstNames(std::size_t count)
{
    const auto last = m_slots.begin() + static_cast<std::ptrdiff_t>(count - 1);
    std::nth_element(m_slots.begin(), last, m_slots.end(), SlotsInDirectoryOrder());
    m_cutoff.assign(NameOf(*last));
    m_cutoffKey = last->key;
    m_hasCutoff = true;
    m_refusedAny = true;
    m_slots.resize(count);
    CompactNames();
}

// Moves the kept names to the front of the buffer, in buffer order, so
// that each only moves towards the front. The slots end in buffer order.
void NextNamesInOrder::CompactNames()
{
    std::sort(m_slots.begin(), m_slots.end(), [](const Slot& a, const Slot& b) { return a.offset < b.offset; });
    std::uint32_t end = 0;
    for (Slot& slot : m_slots) {
        if (slot.offset != end) std::memmove(&m_names[end], &m_names[slot.offset], slot.length);
        slot.offset = end;
        end += slot.length;
    }
    m_names.resize(end);
}

void NextNamesInOrder::MakeRoomFor(std::size_t length)
{
    if (m_slots.size() == m_slots.capacity())
        m_slots.reserve(std::min(2 * m_nameLimit, std::max<std::size_t>(16, 2 * m_slots.capacity())));
    const std::size_t needed = m_names.size() + length;
    if (needed > m_names.capacity())
        m_names.reserve(std::max(needed, std::min(2 * m_byteLimit, 2 * m_names.capacity())));
}

}  // namespace posix
