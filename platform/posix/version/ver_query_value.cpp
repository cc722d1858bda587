// VerQueryValueA: a value of a version block, texts of 32-bit blocks
// converted to UTF-8 into the block's second half, as Windows' ANSI call
// converts them to the narrow code page.
#include "support/Utf.h"
#include "platform/posix/version/version_block.h"
#include "platform/posix/win32_api.h"

#include <algorithm>

namespace {

using version_reader::BlockFormat;
using version_reader::BlockNode;
using version_reader::VersionBlock;

// Where the narrow copy of a text goes: past the block and the 4 bytes after
// it, at the text's own offset, so every text has a place of its own.
UINT ConvertText(const VersionBlock& block, const BlockNode& node, LPVOID* value)
{
    static char empty[1] = "";
    const std::size_t capacity = block.Length() > node.valueStart ? block.Length() - node.valueStart : 0;
    if (capacity == 0) {
        // An empty text at the very end of the block has no room in the copy.
        *value = empty;
        return 0;
    }
    auto* bytes = const_cast<std::uint8_t*>(block.Bytes());
    char* target = reinterpret_cast<char*>(bytes + block.Length() + 4 + node.valueStart);
    *value = target;
    // Windows converts a text longer than its room only as far as the room
    // goes (one unit a byte), and the conversion fails: length 0. Reading at
    // most that many units stays inside the copy's two halves.
    const std::size_t units = std::min<std::size_t>(node.valueLength, capacity);
    const std::size_t written = support::Utf8FromUtf16Le(bytes + node.valueStart, units, target, capacity);
    return node.valueLength > capacity ? 0 : static_cast<UINT>(written);
}

}  // namespace

BOOL VerQueryValueA(LPCVOID block, LPCSTR subBlock, LPVOID* buffer, PUINT length)
{
    if (!block || !buffer) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    const VersionBlock versionBlock(static_cast<const std::uint8_t*>(block));
    const auto node = versionBlock.Find(subBlock ? subBlock : "");
    if (!node || !node->valueFits) {
        if (length) *length = 0;
        SetLastError(ERROR_RESOURCE_TYPE_NOT_FOUND);
        return FALSE;
    }

    UINT valueLength = static_cast<UINT>(node->valueLength);
    if (versionBlock.Format() == BlockFormat::Wide && node->isText) {
        valueLength = ConvertText(versionBlock, *node, buffer);
    } else {
        *buffer = const_cast<std::uint8_t*>(versionBlock.Bytes()) + node->valueStart;
    }
    if (length) *length = valueLength;
    return TRUE;
}
