// The bytes of a signed PE image that its Authenticode digest takes, as
// Windows hashes an image: the headers less the CheckSum and the
// certificate table's directory entry, then every section's raw data in
// file order, then what follows the last section up to the table. Every
// number comes from the file, so ranges that overlap, that no order puts
// one after another, or that run into the table give no digest at all:
// digesting a guess would vouch for bytes nobody signed.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

namespace platform::signature {

struct ByteRange {
    std::uint64_t begin = 0;
    std::uint64_t end = 0;  // one past the last byte

    bool operator==(const ByteRange& other) const { return begin == other.begin && end == other.end; }
};

// A section header's PointerToRawData and SizeOfRawData.
struct SectionRawData {
    std::uint64_t pointer = 0;
    std::uint64_t size = 0;
};

struct ImageRegions {
    std::uint64_t sizeOfHeaders = 0;
    std::uint64_t checkSumOffset = 0;        // 4 bytes
    std::uint64_t directoryEntryOffset = 0;  // 8 bytes
    std::vector<SectionRawData> sections;    // in the order of the section table
    std::uint64_t tableOffset = 0;           // where the digested bytes end
};

// In file order, none empty; none when the regions cannot be ordered so.
std::optional<std::vector<ByteRange>> DigestRanges(const ImageRegions& regions);

}  // namespace platform::signature
