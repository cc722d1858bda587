#include "platform/posix/version/block_nodes.h"

#include "platform/version_block/VersionBlockLayout.h"

#include "support/AsciiCase.h"
#include "support/LittleEndian.h"
#include "support/Utf.h"

#include <algorithm>

namespace version_reader {

namespace {

constexpr std::size_t kWideHeaderSize = 6;
constexpr std::size_t kNarrowHeaderSize = 4;
// The smallest node of either kind: a header and one byte of key.
constexpr std::size_t kSmallestNode = kNarrowHeaderSize + 1;

}  // namespace

BlockNodes::BlockNodes(const std::uint8_t* bytes) : bytes_(bytes)
{
    length_ = support::ReadU16(bytes);
    if (length_ >= kSmallestNode && platform::IsSixteenBitVersionBlock(bytes)) format_ = BlockFormat::Narrow;
    extent_ = format_ == BlockFormat::Wide ? 2 * length_ + 4 : length_;
}

std::optional<BlockNode> BlockNodes::ParseNode(std::size_t start, std::size_t limit) const
{
    const bool wide = format_ == BlockFormat::Wide;
    const std::size_t headerSize = wide ? kWideHeaderSize : kNarrowHeaderSize;
    if (start > limit || limit - start < headerSize) return std::nullopt;

    BlockNode node;
    node.start = start;
    node.length = support::ReadU16(bytes_ + start);
    // A node of length 0 has no children; its key and value are read as
    // any other's (see FindChild).
    node.end = std::min(start + node.length, limit);

    const std::size_t unit = wide ? 2 : 1;
    node.keyStart = start + headerSize;
    std::size_t position = node.keyStart;
    // Windows reads a key to its NUL wherever that lies; ours stops at the
    // copy's end.
    for (; position + unit <= extent_; position += unit) {
        const bool nul = wide ? support::ReadU16(bytes_ + position) == 0 : bytes_[position] == 0;
        if (nul) {
            node.keyTerminated = true;
            break;
        }
    }
    if (!node.keyTerminated) return node;
    node.keyUnits = (position - node.keyStart) / unit;

    node.valueStart = start + support::AlignUp4(position + unit - start);
    node.valueLength = support::ReadU16(bytes_ + start + 2);
    node.isText = wide && support::ReadU16(bytes_ + start + 4) != 0;
    node.valueBytes = node.valueLength * (node.isText ? 2 : 1);
    node.childrenStart = node.valueStart + support::AlignUp4(node.valueBytes);
    if (node.valueBytes == 0) {
        // An empty value may sit on the padding past a short node's end.
        node.valueStart = std::min(node.valueStart, node.end);
        node.valueFits = true;
    } else {
        // Windows bounds a value by nothing: one running past its node or
        // the block is still answered. A text is converted only as far as
        // its room in the copy (VerQueryValueA); other values are only
        // pointed at, and the caller reads them in its own buffer.
        node.valueFits = node.valueStart <= extent_;
    }
    return node;
}

bool BlockNodes::KeyAt(std::size_t start, const std::u16string& wanted) const
{
    const std::size_t end = extent_;
    const bool wide = format_ == BlockFormat::Wide;
    const std::size_t unit = wide ? 2 : 1;
    std::size_t position = start + (wide ? kWideHeaderSize : kNarrowHeaderSize);
    // `wanted` holds no NUL, so a shorter key fails on its NUL and a longer
    // one on the unit where `wanted` ends.
    for (std::size_t i = 0;; ++i, position += unit) {
        if (position + unit > end) return false;  // no NUL inside the block: matches nothing
        const char16_t found = wide ? static_cast<char16_t>(support::ReadU16(bytes_ + position)) : bytes_[position];
        if (i == wanted.size()) return found == 0;
        if (support::ToUpperAscii(found) != support::ToUpperAscii(wanted[i])) return false;
    }
}

std::optional<BlockNode> BlockNodes::FindChild(const BlockNode& parent, std::string_view key) const
{
    // The engine asks for CompanyName once per translation, and a block of
    // 64 KiB can hold thousands of translations and thousands of children to
    // step over each time: so the key is converted once, and a child is
    // parsed whole only when its key matches.
    std::u16string wanted;
    if (format_ == BlockFormat::Wide) wanted = support::Utf16FromUtf8(key.data(), key.size());
    else
        for (const char c : key) wanted.push_back(static_cast<unsigned char>(c));

    const std::size_t headerSize = format_ == BlockFormat::Wide ? kWideHeaderSize : kNarrowHeaderSize;
    // Each step moves on by at least 4 bytes inside at most 64 KiB, so the
    // search ends whatever the lengths say. Windows compares a child's key
    // before it looks at its length: a child of length 0 is found by its
    // key, and ends the search only when it does not match.
    // Like Windows, a child is looked at when it starts before its parent's
    // end, and is walked by its own length, even past that end and the
    // root's: only the copy bounds both.
    for (std::size_t position = parent.childrenStart;;) {
        if (position >= parent.end || extent_ - position < headerSize) return std::nullopt;
        if (KeyAt(position, wanted)) return ParseNode(position, extent_);
        const std::size_t length = support::ReadU16(bytes_ + position);
        if (length == 0) return std::nullopt;
        position += support::AlignUp4(length);
    }
}

std::optional<BlockNode> BlockNodes::Find(std::string_view path) const
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
