// The nodes of a VS_VERSIONINFO block in memory, and the lookup of a
// query path. Every position is checked against the root's wLength, and a
// child is looked for only where it starts before its parent's end, so a
// malformed block yields "not found" instead of reads outside it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace version_reader {

enum class BlockFormat {
    Wide,    // 32-bit: wLength, wValueLength, wType, UTF-16 key
    Narrow,  // 16-bit (NE): wLength, wValueLength, narrow key
};

// One node; offsets from the start of the block.
struct BlockNode {
    std::size_t start = 0;
    std::size_t end = 0;         // start + wLength, cut at the parent's end
    std::size_t length = 0;      // wLength as stored, for stepping to the sibling
    bool keyTerminated = false;  // a key without its NUL inside the block matches nothing
    std::size_t keyStart = 0;
    std::size_t keyUnits = 0;  // UTF-16 units or bytes, without the NUL
    std::size_t valueStart = 0;
    std::size_t valueLength = 0;  // wValueLength as stored
    std::size_t valueBytes = 0;
    bool isText = false;     // Wide blocks: a non-zero wType marks a UTF-16 text
    bool valueFits = false;  // starts inside the block
    std::size_t childrenStart = 0;
};

class BlockNodes {
public:
    // `bytes` must hold what a copy holds: twice the root's wLength and 4
    // more for a 32-bit block (its second half is where converted texts
    // go), the root's wLength for a 16-bit one (or 2 when that is below a
    // node header).
    explicit BlockNodes(const std::uint8_t* bytes);

    BlockFormat Format() const { return format_; }
    // The root's wLength: the block's extent.
    std::size_t Length() const { return length_; }
    const std::uint8_t* Bytes() const { return bytes_; }

    // The node a query path names: parts between backslashes, empty parts
    // skipped, each matched without regard to ASCII case against the whole
    // key of a child of the node before; the first part among the root's
    // children, none at all for the root itself. Nothing when a part is not
    // found or the block is malformed on the way.
    std::optional<BlockNode> Find(std::string_view path) const;

private:
    std::optional<BlockNode> ParseNode(std::size_t start, std::size_t limit) const;
    std::optional<BlockNode> FindChild(const BlockNode& parent, std::string_view key) const;
    // Whether the child at `start` has exactly the key `wanted` (in UTF-16
    // units, or bytes for Narrow blocks), ASCII case aside. Like Windows it
    // reads the key past the child's wLength, but never past the block.
    bool KeyAt(std::size_t start, const std::u16string& wanted) const;

    const std::uint8_t* bytes_;
    std::size_t length_ = 0;
    // How far a walk may read: Windows walks a child by its own length, on
    // past the root's wLength into the copy's second half.
    std::size_t extent_ = 0;
    BlockFormat format_ = BlockFormat::Wide;
};

}  // namespace version_reader
