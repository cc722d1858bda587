#include "platform/posix/directory_order.h"

#include <algorithm>
#include <cstring>

#include "support/AsciiCase.h"

namespace posix {

namespace {

// Bytes compare unsigned, so that names beyond ASCII sort after it.
unsigned char UpperAscii(char c)
{
    return static_cast<unsigned char>(support::ToUpperAscii(c));
}

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

bool KeyedBefore(std::uint64_t aKey, std::string_view a, std::uint64_t bKey, std::string_view b)
{
    return aKey != bKey ? aKey < bKey : ComesBeforeInDirectoryOrder(a, b);
}

// Blocks start small, so that the many small directories of a walk take
// little, and double up to the most a slot's 16-bit offset reaches.
constexpr std::uint32_t kFirstBlockBytes = 256;
constexpr std::uint32_t kLargestBlockBytes = 64 * 1024;
constexpr std::size_t kRecordHeader = 2;

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

void NamesInDirectoryOrder::StartRead(const std::string* after)
{
    std::vector<Block>().swap(m_blocks);
    std::vector<Slot>().swap(m_slots);
    m_blockBytes = 0;
    m_records = 0;
    m_hasAfter = after != nullptr;
    if (after) {
        m_after = *after;
        m_afterKey = OrderKeyOf(m_after);
    }
}

void NamesInDirectoryOrder::Offer(std::string_view name, unsigned char tag)
{
    if (name.empty() || name.size() > kLongestName) return;
    // Names are distinct within a directory, so "after the bound" never
    // gives a name again, even when the directory changes between reads.
    if (m_hasAfter && !KeyedBefore(m_afterKey, m_after, OrderKeyOf(name), name)) return;
    Append(name, tag);
}

void NamesInDirectoryOrder::Append(std::string_view name, unsigned char tag)
{
    const std::uint32_t record = static_cast<std::uint32_t>(kRecordHeader + name.size());
    if (m_blocks.empty() || m_blocks.back().capacity - m_blocks.back().used < record) {
        const std::uint32_t grown = m_blocks.empty() ? kFirstBlockBytes : 2 * m_blocks.back().capacity;
        const std::uint32_t capacity = std::min(kLargestBlockBytes, std::max(grown, record));
        m_blocks.push_back(Block{std::unique_ptr<char[]>(new char[capacity]), capacity, 0});
        m_blockBytes += capacity;
    }
    Block& block = m_blocks.back();
    char* at = block.bytes.get() + block.used;
    at[0] = static_cast<char>(name.size());
    at[1] = static_cast<char>(tag);
    std::memcpy(at + kRecordHeader, name.data(), name.size());
    block.used += record;
    ++m_records;
}

void NamesInDirectoryOrder::MakeSlots()
{
    std::vector<Slot> slots;
    slots.reserve(m_records);
    for (std::size_t b = 0; b < m_blocks.size(); ++b) {
        const Block& block = m_blocks[b];
        for (std::uint32_t at = 0; at < block.used;) {
            const auto length = static_cast<std::uint8_t>(block.bytes[at]);
            const auto tag = static_cast<std::uint8_t>(block.bytes[at + 1]);
            const std::uint32_t name = at + static_cast<std::uint32_t>(kRecordHeader);
            slots.push_back(Slot{OrderKeyOf({block.bytes.get() + name, length}), static_cast<std::uint32_t>(b),
                                 static_cast<std::uint16_t>(name), length, tag});
            at = name + length;
        }
    }
    m_slots.swap(slots);
}

void NamesInDirectoryOrder::FinishRead()
{
    MakeSlots();
    std::sort(m_slots.begin(), m_slots.end(),
              [this](const Slot& a, const Slot& b) { return KeyedBefore(a.key, NameOf(a), b.key, NameOf(b)); });
}

void NamesInDirectoryOrder::KeepOnly(std::size_t first, std::size_t count)
{
    first = std::min(first, m_slots.size());
    count = std::min(count, m_slots.size() - first);
    NamesInDirectoryOrder kept;
    for (std::size_t i = first; i < first + count; ++i) kept.Append(Name(i), Tag(i));
    kept.MakeSlots();  // already in order
    m_blocks.swap(kept.m_blocks);
    m_slots.swap(kept.m_slots);
    m_blockBytes = kept.m_blockBytes;
    m_records = kept.m_records;
}

std::size_t NamesInDirectoryOrder::HeldBytes() const
{
    return m_blockBytes + m_blocks.capacity() * sizeof(Block) + m_slots.capacity() * sizeof(Slot);
}

}  // namespace posix
