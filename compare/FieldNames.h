// The field names of both files, each given a small number once, so that a
// row keeps numbers instead of names and fields compare by number.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace compare {

using FieldId = std::uint32_t;

class FieldNames {
public:
    // A file of rows has a few dozen names; past this many it is no
    // inventory, and its names must not take the memory.
    static constexpr std::size_t kMaxNames = 4096;
    static constexpr FieldId kNone = 0xFFFFFFFFu;

    // The number of `name`, given now if it has none; kNone when the table
    // is full.
    FieldId Id(std::string_view name);
    // The number of `name` if it has one, else kNone.
    FieldId Find(std::string_view name) const;
    const std::string& Name(FieldId id) const { return m_names[id]; }
    std::size_t Count() const { return m_names.size(); }

private:
    std::unordered_map<std::string, FieldId> m_ids;
    std::vector<std::string> m_names;
};

}  // namespace compare
