// Which fields' changes count, and which fields one file has and the other
// lacks, so that those are named once instead of counting as changes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "compare/FieldNames.h"
#include "compare/InventoryRow.h"
#include "compare/RowKey.h"

namespace compare {

enum class Side {
    Old = 0,
    New = 1
};

class FieldChoice {
public:
    // `named`: the fields of --compare-fields; empty for the default, every
    // field both rows have but the host, the dates, foundUnder and the
    // key's own.
    FieldChoice(FieldNames& names, const RowKey& key, const std::vector<std::string>& named);

    bool Counts(FieldId field);
    // Notes the fields a row of one file has.
    void Saw(Side side, const InventoryRow& row);

    // The fields that count but only one file has, as "name" and which
    // file: for the notes at the end.
    struct OneSided {
        std::string name;
        Side side;
    };
    std::vector<OneSided> OnlyInOneFile();
    // Named fields neither file has.
    std::vector<std::string> InNeitherFile() const;

private:
    FieldNames& m_names;
    bool m_named;
    std::vector<FieldId> m_namedFields;
    std::vector<FieldId> m_excluded;
    // By field: 0 not decided yet, 1 counts, 2 does not.
    std::vector<std::uint8_t> m_counts;
    // By field: bit 0 seen in the old file, bit 1 in the new.
    std::vector<std::uint8_t> m_seen;
};

}  // namespace compare
