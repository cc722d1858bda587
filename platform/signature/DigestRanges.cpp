#include "platform/signature/DigestRanges.h"

#include <algorithm>

namespace platform::signature {

namespace {

constexpr std::uint64_t kCheckSumSize = 4;
constexpr std::uint64_t kDirectoryEntrySize = 8;

void Keep(std::vector<ByteRange>& ranges, std::uint64_t begin, std::uint64_t end)
{
    if (begin < end) ranges.push_back({begin, end});
}

}  // namespace

std::optional<std::vector<ByteRange>> DigestRanges(const ImageRegions& regions)
{
    // The two fields left out lie inside the headers, the CheckSum first (as
    // in every optional header), apart from each other.
    const std::uint64_t checkSumEnd = regions.checkSumOffset + kCheckSumSize;
    const std::uint64_t entryEnd = regions.directoryEntryOffset + kDirectoryEntrySize;
    if (checkSumEnd > regions.directoryEntryOffset || entryEnd > regions.sizeOfHeaders ||
        regions.sizeOfHeaders > regions.tableOffset)
        return std::nullopt;

    std::vector<ByteRange> ranges;
    Keep(ranges, 0, regions.checkSumOffset);
    Keep(ranges, checkSumEnd, regions.directoryEntryOffset);
    Keep(ranges, entryEnd, regions.sizeOfHeaders);

    // Sections without raw data take no bytes; the others, by their place in
    // the file, must each begin where or after the one before ends.
    std::vector<SectionRawData> sections;
    for (const SectionRawData& section : regions.sections)
        if (section.size > 0) sections.push_back(section);
    std::stable_sort(sections.begin(), sections.end(),
                     [](const SectionRawData& a, const SectionRawData& b) { return a.pointer < b.pointer; });
    std::uint64_t end = regions.sizeOfHeaders;
    for (const SectionRawData& section : sections) {
        // From 32-bit fields in 64 bits: the sum cannot wrap.
        if (section.pointer < end || section.pointer + section.size > regions.tableOffset) return std::nullopt;
        Keep(ranges, section.pointer, section.pointer + section.size);
        end = section.pointer + section.size;
    }
    Keep(ranges, end, regions.tableOffset);
    return ranges;
}

}  // namespace platform::signature
