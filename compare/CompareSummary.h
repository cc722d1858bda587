// The counts of a comparison and the line that tells them on standard error.
#pragma once

#include <cstdint>
#include <string>

namespace compare {

struct CompareCounts {
    std::uint64_t added = 0;
    std::uint64_t removed = 0;
    std::uint64_t changed = 0;
    std::uint64_t same = 0;

    bool AnyDifference() const { return added || removed || changed; }
};

// "3 added, 1 removed, 5 changed, 1,204 the same"
std::string SummaryLine(const CompareCounts& counts);

// A count with a comma between each three digits: 1,204.
std::string GroupedCount(std::uint64_t count);

}  // namespace compare
