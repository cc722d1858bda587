#include "compare/FieldNames.h"

namespace compare {

FieldId FieldNames::Id(std::string_view name)
{
    const FieldId known = Find(name);
    if (known != kNone) return known;
    if (m_names.size() >= kMaxNames) return kNone;
    const auto id = static_cast<FieldId>(m_names.size());
    m_names.emplace_back(name);
    m_ids.emplace(m_names.back(), id);
    return id;
}

FieldId FieldNames::Find(std::string_view name) const
{
    const auto found = m_ids.find(std::string(name));
    return found == m_ids.end() ? kNone : found->second;
}

}  // namespace compare
