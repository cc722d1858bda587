#include "compare/CompareSummary.h"

namespace compare {

std::string GroupedCount(std::uint64_t count)
{
    std::string digits = std::to_string(count);
    for (std::size_t i = digits.size(); i > 3; i -= 3) digits.insert(i - 3, ",");
    return digits;
}

std::string SummaryLine(const CompareCounts& counts)
{
    return GroupedCount(counts.added) + " added, " + GroupedCount(counts.removed) + " removed, " +
           GroupedCount(counts.changed) + " changed, " + GroupedCount(counts.same) + " the same";
}

}  // namespace compare
