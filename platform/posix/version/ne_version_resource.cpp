// NE: the resource table between ne_rsrctab and ne_restab, its groups of
// entries, and the version resource (type 0x8010, id 0x8001) among them.
#include "support/LittleEndian.h"
#include "platform/posix/version/version_resource.h"

#include <algorithm>
#include <vector>

namespace version_reader {

namespace {

constexpr std::size_t kNeHeaderSize = 64;
constexpr WORD kVersionType = 0x8010;
constexpr WORD kVersionId = 0x8001;
constexpr std::size_t kGroupHeaderSize = 8;
constexpr std::size_t kEntrySize = 12;

struct NeEntry {
    WORD offset;
    WORD length;
};

// The version entry of the first group of type 0x8010; only that group is
// searched, as Windows does.
std::optional<NeEntry> FindVersionEntry(const std::vector<std::uint8_t>& table)
{
    std::size_t position = 2;  // after the alignment shift
    while (position + 2 <= table.size()) {
        const WORD type = support::ReadU16(table.data() + position);
        if (type == 0) return std::nullopt;
        if (position + kGroupHeaderSize > table.size()) return std::nullopt;
        const std::size_t count = support::ReadU16(table.data() + position + 2);
        const std::size_t entries = position + kGroupHeaderSize;
        if (type == kVersionType) {
            for (std::size_t i = 0; i < count; ++i) {
                const std::size_t entry = entries + i * kEntrySize;
                if (entry + kEntrySize > table.size()) return std::nullopt;
                if (support::ReadU16(table.data() + entry + 6) == kVersionId)
                    return NeEntry{support::ReadU16(table.data() + entry), support::ReadU16(table.data() + entry + 2)};
            }
            return std::nullopt;
        }
        position = entries + count * kEntrySize;
    }
    return std::nullopt;
}

}  // namespace

std::optional<VersionResource> FindNeVersionResource(const BoundedFile& file, std::uint64_t headerOffset)
{
    std::uint8_t header[kNeHeaderSize];
    if (!file.Read(headerOffset, header, sizeof header)) return std::nullopt;
    // The resident-name table follows the resource table, so it marks its
    // end; when both start at the same place there are no resources.
    const WORD tableStart = support::ReadU16(header + 0x24);
    const WORD tableEnd = support::ReadU16(header + 0x26);
    if (tableEnd <= tableStart || tableEnd - tableStart < 2) return std::nullopt;

    std::vector<std::uint8_t> table(tableEnd - tableStart);
    if (!file.Read(headerOffset + tableStart, table.data(), table.size())) return std::nullopt;
    const auto entry = FindVersionEntry(table);
    if (!entry) return std::nullopt;

    // Windows shifts in 32 bits, as x86 does: the count taken modulo 32,
    // the products wrapping.
    const unsigned shift = support::ReadU16(table.data()) % 32u;
    const std::uint32_t offset = static_cast<std::uint32_t>(std::uint32_t{entry->offset} << shift);
    const std::uint32_t size = static_cast<std::uint32_t>(std::uint32_t{entry->length} << shift);
    // The size query reports (size - 52) * 4, which must neither run
    // negative nor overflow a DWORD.
    if (size < kMinimumNeVersionSize || size > 0xFFFFFFFFu / 4 + kMinimumNeVersionSize) return std::nullopt;
    // A resource whose last unit runs past the end of the file is copied as
    // far as the file goes.
    if (offset >= file.Size()) return std::nullopt;
    const auto inFile = static_cast<std::uint32_t>(std::min<std::uint64_t>(size, file.Size() - offset));
    return VersionResource{ModuleFormat::Ne, offset, size, inFile, {}};
}

}  // namespace version_reader
