// VerQueryValueA: a value of a version block, texts converted to UTF-8 into
// the block's second half: those of 32-bit blocks from UTF-16, as Windows'
// ANSI call converts them to the narrow code page, and those of 16-bit
// blocks from their translation's code page, where Windows returns the
// bytes in place (already narrow text on a system of that code page).
#include "support/AsciiCase.h"
#include "support/Utf.h"
#include "platform/posix/version/code_page_text.h"
#include "platform/posix/version/block_nodes.h"
#include "platform/posix/win32_api.h"

#include <algorithm>
#include <optional>
#include <string_view>

namespace {

using version_reader::BlockFormat;
using version_reader::BlockNode;
using version_reader::BlockNodes;

// Where the narrow copy of a text goes: past the block and the 4 bytes after
// it, at the text's own offset, so every text has a place of its own; and
// how much room it has there (up to the copy's end, twice the block and 4).
struct ConvertedPlace {
    char* target;
    std::size_t capacity;
};

std::optional<ConvertedPlace> PlaceOf(const BlockNodes& block, const BlockNode& node)
{
    const std::size_t capacity = block.Length() > node.valueStart ? block.Length() - node.valueStart : 0;
    if (capacity == 0) return std::nullopt;
    auto* bytes = const_cast<std::uint8_t*>(block.Bytes());
    return ConvertedPlace{reinterpret_cast<char*>(bytes + block.Length() + 4 + node.valueStart), capacity};
}

UINT ConvertWideText(const BlockNodes& block, const BlockNode& node, LPVOID* value)
{
    static char empty[1] = "";
    const auto place = PlaceOf(block, node);
    if (!place) {
        // An empty text at the very end of the block has no room in the copy.
        *value = empty;
        return 0;
    }
    *value = place->target;
    // Windows converts a text longer than its room only as far as the room
    // goes (one unit a byte), and the conversion fails: length 0. Reading at
    // most that many units stays inside the copy's two halves.
    const std::size_t units = std::min<std::size_t>(node.valueLength, place->capacity);
    const std::size_t written =
        support::Utf8FromUtf16Le(block.Bytes() + node.valueStart, units, place->target, place->capacity);
    return node.valueLength > place->capacity ? 0 : static_cast<UINT>(written);
}

// The code page of the string a path names, \StringFileInfo\LLLLCCCC\Name
// (parts as Find splits them): that of its table's translation, 0 when the
// table's key is no translation. Nothing for a path that names no string.
std::optional<std::uint16_t> CodePageOfString(std::string_view path)
{
    std::string_view parts[3];
    std::size_t count = 0;
    while (!path.empty() && count < 3) {
        const std::size_t separator = std::min(path.find('\\'), path.size());
        if (separator > 0) parts[count++] = path.substr(0, separator);
        path.remove_prefix(std::min(separator + 1, path.size()));
    }
    if (count < 3 || !support::EqualsIgnoringAsciiCase(parts[0], "StringFileInfo")) return std::nullopt;
    const std::string_view table = parts[1];
    if (table.size() != 8) return 0;
    std::uint16_t codePage = 0;
    for (std::size_t i = 4; i < 8; ++i) {
        const char c = table[i];
        const int digit = c >= '0' && c <= '9'   ? c - '0'
                          : c >= 'a' && c <= 'f' ? c - 'a' + 10
                          : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                                 : -1;
        if (digit < 0) return 0;
        codePage = static_cast<std::uint16_t>(codePage << 4 | digit);
    }
    return codePage;
}

// A text of ASCII up to its NUL inside the block reads the same in every
// code page a translation names: it stays in place, as on Windows.
bool IsAsciiInPlace(const BlockNodes& block, const BlockNode& node)
{
    const std::uint8_t* const text = block.Bytes() + node.valueStart;
    const std::size_t room = block.Length() - node.valueStart;
    for (std::size_t i = 0; i < room; ++i) {
        if (text[i] == 0) return true;
        if (text[i] >= 0x80) return false;
    }
    return false;
}

// Converts a 16-bit block's text, unless it can stay where it is. Bounded
// as the 32-bit conversion is: the bytes the room holds, into that room.
std::optional<UINT> ConvertNarrowText(const BlockNodes& block, const BlockNode& node, std::uint16_t codePage,
                                      LPVOID* value)
{
    if (node.valueLength == 0 || node.valueStart >= block.Length() || IsAsciiInPlace(block, node)) return std::nullopt;
    const auto place = PlaceOf(block, node);
    *value = place->target;
    const std::size_t bytes = std::min<std::size_t>(node.valueLength, place->capacity);
    const std::size_t written = version_reader::Utf8FromCodePage(block.Bytes() + node.valueStart, bytes, codePage,
                                                                 place->target, place->capacity);
    return node.valueLength > place->capacity ? 0 : static_cast<UINT>(written);
}

}  // namespace

BOOL VerQueryValueA(LPCVOID block, LPCSTR subBlock, LPVOID* buffer, PUINT length)
{
    if (!block || !buffer) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    const std::string_view path = subBlock ? subBlock : "";
    const BlockNodes versionBlock(static_cast<const std::uint8_t*>(block));
    const auto node = versionBlock.Find(path);
    if (!node || !node->valueFits) {
        if (length) *length = 0;
        SetLastError(ERROR_RESOURCE_TYPE_NOT_FOUND);
        return FALSE;
    }

    UINT valueLength = static_cast<UINT>(node->valueLength);
    *buffer = const_cast<std::uint8_t*>(versionBlock.Bytes()) + node->valueStart;
    if (versionBlock.Format() == BlockFormat::Wide && node->isText) {
        valueLength = ConvertWideText(versionBlock, *node, buffer);
    } else if (versionBlock.Format() == BlockFormat::Narrow) {
        if (const auto codePage = CodePageOfString(path)) {
            if (const auto converted = ConvertNarrowText(versionBlock, *node, *codePage, buffer))
                valueLength = *converted;
        }
    }
    if (length) *length = valueLength;
    return TRUE;
}
