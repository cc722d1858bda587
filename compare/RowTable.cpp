#include "compare/RowTable.h"

#include <cstring>

namespace compare {

namespace {

std::size_t NumberSize(std::uint64_t value)
{
    std::size_t size = 1;
    while (value >= 0x80) {
        value >>= 7;
        ++size;
    }
    return size;
}

char* PutNumber(char* out, std::uint64_t value)
{
    while (value >= 0x80) {
        *out++ = static_cast<char>((value & 0x7F) | 0x80);
        value >>= 7;
    }
    *out++ = static_cast<char>(value);
    return out;
}

std::uint64_t TakeNumber(const char*& p)
{
    std::uint64_t value = 0;
    for (int shift = 0;; shift += 7) {
        const auto byte = static_cast<unsigned char>(*p++);
        value |= static_cast<std::uint64_t>(byte & 0x7F) << shift;
        if (byte < 0x80) return value;
    }
}

}  // namespace

void RowTable::Reserve(std::size_t rows)
{
    m_entries.reserve(rows);
    m_index.reserve(rows);
}

bool RowTable::Add(std::string_view key, const InventoryRow& row, std::uint64_t line, std::uint64_t& otherLine)
{
    const auto known = m_index.find(key);
    if (known != m_index.end()) {
        otherLine = m_entries[known->second].line;
        return false;
    }
    // Packed straight into the table, in one piece with its key.
    std::size_t size = key.size();
    for (const FieldValue& value : row.values) {
        size += NumberSize(value.field) + 1 + NumberSize(value.text.size()) + value.text.size();
    }
    char* const begin = m_bytes.Allocate(size);
    if (!key.empty()) std::memcpy(begin, key.data(), key.size());
    char* out = begin + key.size();
    for (const FieldValue& value : row.values) {
        out = PutNumber(out, value.field);
        *out++ = static_cast<char>(value.kind);
        out = PutNumber(out, value.text.size());
        if (!value.text.empty()) std::memcpy(out, value.text.data(), value.text.size());
        out += value.text.size();
    }
    const std::string_view storedKey(begin, key.size());
    m_entries.push_back({storedKey, std::string_view(begin + key.size(), size - key.size()), line, 0});
    m_index.emplace(storedKey, static_cast<std::uint32_t>(m_entries.size() - 1));
    return true;
}

RowTable::Entry* RowTable::Find(std::string_view key)
{
    const auto found = m_index.find(key);
    return found == m_index.end() ? nullptr : &m_entries[found->second];
}

void RowTable::Unpack(const Entry& entry, InventoryRow& row)
{
    row.values.clear();
    row.nested.clear();
    const char* p = entry.fields.data();
    const char* const end = p + entry.fields.size();
    while (p < end) {
        const auto field = static_cast<FieldId>(TakeNumber(p));
        const auto kind = static_cast<ValueKind>(*p++);
        const auto length = static_cast<std::size_t>(TakeNumber(p));
        row.values.push_back({field, kind, std::string_view(p, length)});
        p += length;
    }
}

}  // namespace compare
