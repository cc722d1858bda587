// The rows of the smaller inventory, held while the larger one streams past:
// each row packed into one run of bytes (its key, then each field's number,
// kind and text), found by its key.
#pragma once

#include <cstdint>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "compare/ByteArena.h"
#include "compare/InventoryRow.h"

namespace compare {

class RowTable {
public:
    struct Entry {
        std::string_view key;
        std::string_view fields;
        std::uint64_t line;
        // The line of the other file's row that matched it; 0 while none.
        std::uint64_t matchedLine;
    };

    // Adds a row under `key`; false when a row already has that key, whose
    // line is then in `otherLine`.
    bool Add(std::string_view key, const InventoryRow& row, std::uint64_t line, std::uint64_t& otherLine);
    Entry* Find(std::string_view key);
    // The row of an entry again; its texts point into the table.
    static void Unpack(const Entry& entry, InventoryRow& row);

    std::size_t Size() const { return m_entries.size(); }
    Entry& At(std::size_t index) { return m_entries[index]; }
    void Reserve(std::size_t rows);

private:
    ByteArena m_bytes;
    std::vector<Entry> m_entries;
    std::unordered_map<std::string_view, std::uint32_t> m_index;
};

}  // namespace compare
