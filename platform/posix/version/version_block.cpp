#include "platform/posix/version/version_block.h"

#include "platform/posix/version/little_endian.h"
#include "platform/posix/version/text_conversion.h"

#include <algorithm>

namespace version_reader {

namespace {

constexpr std::size_t kWideHeaderSize = 6;
constexpr std::size_t kNarrowHeaderSize = 4;
// The smallest node of either kind: a header and one byte of key.
constexpr std::size_t kSmallestNode = kNarrowHeaderSize + 1;

char16_t FoldAscii(char16_t unit)
{
    return unit >= u'a' && unit <= u'z' ? static_cast<char16_t>(unit - (u'a' - u'A')) : unit;
}

}  // namespace

VersionBlock::VersionBlock(const std::uint8_t* bytes) : bytes_(bytes)
{
    length_ = ReadU16(bytes);
    // In a 16-bit block byte 4 starts the narrow key; in a 32-bit one it is
    // the low byte of wType (0 or 1). Bytes from 0x80 on count as 32-bit, as
    // Windows compares a signed char.
    if (length_ >= kSmallestNode && bytes[4] >= 0x20 && bytes[4] < 0x80) format_ = BlockFormat::Narrow;
}

std::optional<BlockNode> VersionBlock::ParseNode(std::size_t start, std::size_t limit) const
{
    const bool wide = format_ == BlockFormat::Wide;
    const std::size_t headerSize = wide ? kWideHeaderSize : kNarrowHeaderSize;
    if (start > limit || limit - start < headerSize) return std::nullopt;

    BlockNode node;
    node.start = start;
    node.length = ReadU16(bytes_ + start);
    // A node of length 0 ends the search: there is no stepping past it. One
    // too short for its key simply matches nothing.
    if (node.length == 0) return std::nullopt;
    node.end = std::min(start + node.length, limit);

    const std::size_t unit = wide ? 2 : 1;
    node.keyStart = start + headerSize;
    std::size_t position = node.keyStart;
    for (; position + unit <= node.end; position += unit) {
        const bool nul = wide ? ReadU16(bytes_ + position) == 0 : bytes_[position] == 0;
        if (nul) {
            node.keyTerminated = true;
            break;
        }
    }
    if (!node.keyTerminated) return node;
    node.keyUnits = (position - node.keyStart) / unit;

    node.valueStart = start + AlignUp4(position + unit - start);
    node.valueLength = ReadU16(bytes_ + start + 2);
    node.isText = wide && ReadU16(bytes_ + start + 4) != 0;
    node.valueBytes = node.valueLength * (node.isText ? 2 : 1);
    node.childrenStart = node.valueStart + AlignUp4(node.valueBytes);
    if (node.valueBytes == 0) {
        // An empty value may sit on the padding past a short node's end.
        node.valueStart = std::min(node.valueStart, node.end);
        node.valueFits = true;
    } else {
        node.valueFits = node.valueStart <= node.end && node.valueBytes <= node.end - node.valueStart;
    }
    return node;
}

bool VersionBlock::KeyMatches(const BlockNode& node, std::string_view key) const
{
    if (format_ == BlockFormat::Narrow) {
        if (node.keyUnits != key.size()) return false;
        for (std::size_t i = 0; i < key.size(); ++i) {
            if (FoldAscii(bytes_[node.keyStart + i]) != FoldAscii(static_cast<unsigned char>(key[i])))
                return false;
        }
        return true;
    }
    const std::u16string wanted = Utf16FromUtf8(key.data(), key.size());
    if (node.keyUnits != wanted.size()) return false;
    for (std::size_t i = 0; i < wanted.size(); ++i) {
        if (FoldAscii(ReadU16(bytes_ + node.keyStart + 2 * i)) != FoldAscii(wanted[i])) return false;
    }
    return true;
}

std::optional<BlockNode> VersionBlock::FindChild(const BlockNode& parent, std::string_view key) const
{
    // Each step moves on by at least 8 bytes inside at most 64 KiB, so the
    // search ends whatever the lengths say.
    for (std::size_t position = parent.childrenStart;;) {
        const auto child = ParseNode(position, parent.end);
        if (!child) return std::nullopt;
        if (child->keyTerminated && KeyMatches(*child, key)) return child;
        position += AlignUp4(child->length);
    }
}

std::optional<BlockNode> VersionBlock::Find(std::string_view path) const
{
    auto node = ParseNode(0, length_);
    if (!node || !node->keyTerminated) return std::nullopt;
    while (!path.empty()) {
        const std::size_t separator = std::min(path.find('\\'), path.size());
        const std::string_view part = path.substr(0, separator);
        path.remove_prefix(std::min(separator + 1, path.size()));
        if (part.empty()) continue;
        node = FindChild(*node, part);
        if (!node) return std::nullopt;
    }
    return node;
}

}  // namespace version_reader
