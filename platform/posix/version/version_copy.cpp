#include "platform/posix/version/version_copy.h"

#include "platform/posix/version/block_nodes.h"
#include "platform/version_block/VersionBlockLayout.h"
#include "support/LittleEndian.h"

#include <algorithm>
#include <cstring>
#include <optional>

namespace version_reader {

namespace {

constexpr std::size_t kWideHeaderSize = 6;
constexpr std::size_t kNarrowKeyStart = 4;

// A root whose key runs on past its wLength (a root shorter than its
// header, or one "FE2X" lands inside of): Windows reads the key to its NUL
// and points at the value after it, which no child follows. The walk here
// is bounded by wLength, so the root is given the length of its header and
// key, found inside what the buffer holds; then the root query answers as
// on Windows and every other query finds nothing, as there. Nothing when
// the key ends inside wLength, or not inside `held`.
std::optional<std::size_t> RootKeyPastLength(const std::uint8_t* data, std::size_t rootLength, std::size_t held)
{
    if (held <= kNarrowKeyStart) return std::nullopt;
    const bool narrow = platform::IsSixteenBitVersionBlock(data);
    const std::size_t unit = narrow ? 1 : 2;
    std::size_t position = narrow ? kNarrowKeyStart : kWideHeaderSize;
    for (; position + unit <= held; position += unit) {
        const bool nul = narrow ? data[position] == 0 : support::ReadU16(data + position) == 0;
        if (nul) break;
    }
    if (position + unit > held || position + unit <= rootLength) return std::nullopt;
    const std::size_t valueStart = support::AlignUp4(position + unit);
    if (valueStart > held) return std::nullopt;
    return valueStart;
}

}  // namespace

// Completes the copy as Windows does, marking the end of a 32-bit block with
// "FE2X" when that fits. VerQueryValueA then trusts the root's wLength: it
// walks up to it and writes converted texts into the wLength bytes after
// it. So wLength is cut to what was copied and to what leaves room for that
// second half; it is stored last because "FE2X" lands on it when it is
// tiny. A 16-bit block of an NE module keeps its wLength past what was
// copied, as on Windows, whose walk goes on into the caller's bytes after a
// resource shorter than its block; its texts go into the second half too
// (converted from their code page), which Windows' size for an NE resource,
// (size - 52) * 4, leaves room for from a resource of 106 bytes on.
void FinishCopy(std::uint8_t* data, std::size_t copied, DWORD bufferLength, ModuleFormat format)
{
    if (copied < 2) return;
    const std::size_t rootLength = support::ReadU16(data);
    const bool narrow = copied >= 5 && BlockNodes(data).Format() == BlockFormat::Narrow;
    std::size_t limit = narrow && format == ModuleFormat::Ne ? bufferLength : copied;
    limit = std::min<std::size_t>(limit, bufferLength < 4 ? 0 : (bufferLength - 4) / 2);

    std::size_t stored = std::min(rootLength, limit);
    std::size_t held = copied;
    if (format == ModuleFormat::Pe && bufferLength >= rootLength + 4) {
        std::memcpy(data + rootLength, "FE2X", 4);
        held = std::max(copied, rootLength + 4);
        // Below 2 the mark lands on wLength itself, and Windows walks the
        // block by the length it makes.
        if (rootLength < 2) stored = std::min<std::size_t>(support::ReadU16(data), limit);
    }
    // A 32-bit block keeps room for its second half.
    if (held < 5 || !platform::IsSixteenBitVersionBlock(data))
        held = std::min<std::size_t>(held, bufferLength < 4 ? 0 : (bufferLength - 4) / 2);
    // An NE block has no mark to write over a short wLength, so its key is
    // read on past it whatever that length says.
    if (rootLength >= 2 || format == ModuleFormat::Ne) {
        if (const auto keyEnd = RootKeyPastLength(data, rootLength, held)) stored = *keyEnd;
    }
    support::WriteU16(data, static_cast<std::uint16_t>(stored));
}

}  // namespace version_reader
