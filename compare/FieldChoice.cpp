#include "compare/FieldChoice.h"

#include <algorithm>

namespace compare {

FieldChoice::FieldChoice(FieldNames& names, const RowKey& key, const std::vector<std::string>& named)
    : m_names(names), m_named(!named.empty())
{
    for (const std::string& name : named) m_namedFields.push_back(names.Id(name));
    // What a copy was found under, where and when it was seen, changes from
    // scan to scan without the copy changing.
    for (const char* name : {"host", "date", "modified", "foundUnder"}) m_excluded.push_back(names.Id(name));
    for (FieldId field : key.OwnFields()) m_excluded.push_back(field);
}

bool FieldChoice::Counts(FieldId field)
{
    if (field >= m_counts.size()) m_counts.resize(field + 1, 0);
    if (m_counts[field] == 0) {
        const auto among = [field](const std::vector<FieldId>& list) {
            return std::find(list.begin(), list.end(), field) != list.end();
        };
        m_counts[field] = (m_named ? among(m_namedFields) : !among(m_excluded)) ? 1 : 2;
    }
    return m_counts[field] == 1;
}

void FieldChoice::Saw(Side side, const InventoryRow& row)
{
    const auto bit = static_cast<std::uint8_t>(1u << static_cast<int>(side));
    for (const FieldValue& value : row.values) {
        if (value.field >= m_seen.size()) m_seen.resize(value.field + 1, 0);
        m_seen[value.field] |= bit;
    }
}

std::vector<FieldChoice::OneSided> FieldChoice::OnlyInOneFile()
{
    std::vector<OneSided> fields;
    for (FieldId field = 0; field < m_seen.size(); ++field) {
        const std::uint8_t seen = m_seen[field];
        if ((seen == 1 || seen == 2) && Counts(field)) {
            fields.push_back({m_names.Name(field), seen == 1 ? Side::Old : Side::New});
        }
    }
    return fields;
}

std::vector<std::string> FieldChoice::InNeitherFile() const
{
    std::vector<std::string> fields;
    for (FieldId field : m_namedFields) {
        if (field >= m_seen.size() || m_seen[field] == 0) fields.push_back(m_names.Name(field));
    }
    return fields;
}

}  // namespace compare
