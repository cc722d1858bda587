#include "platform/version_block/VersionBlock.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <new>

#include "platform/version_block/VersionBlockLayout.h"

namespace platform {

namespace {

constexpr DWORD kLargestVersionBlock = 0x7FFFFFF0;
// The most of a block that is copied. A root's wLength is a WORD, and a
// query walks at most four nodes deep from it, each by a WORD length of its
// own, so no query reaches past 5 * 64 KiB; an image resource stated at
// gigabytes (the zeros of a section's virtual size) then costs no more
// than this, and gives the same answers.
constexpr DWORD kLargestCopy = 512 * 1024;
// Room past the copy, so that a text ending exactly at the end still reads
// as terminated.
constexpr std::size_t kSlack = 10;

// A root length past the copied data is cut to it. The queries walk the block
// by that length, and the narrow query writes its converted texts into the
// second half of a 32-bit block at offsets beyond it.
void LimitRootLength(unsigned char* data, DWORD size)
{
    if (size < 6) return;
    const unsigned length = data[0] | data[1] << 8;
    // A 32-bit block takes twice its length plus 4.
    const unsigned limit = IsSixteenBitVersionBlock(data) ? size : (size - 4) / 2;
    if (length <= limit) return;
    data[0] = static_cast<unsigned char>(limit & 0xFF);
    data[1] = static_cast<unsigned char>(limit >> 8 & 0xFF);
}

}  // namespace

VersionFunctions LinkedVersionFunctions()
{
    return {&GetFileVersionInfoSizeA, &GetFileVersionInfoA, &VerQueryValueA};
}

VersionBlock VersionBlock::Read(const VersionFunctions& functions, const char* path)
{
    VersionBlock block;
    if (!functions.getSize || !functions.getInfo || !functions.query) return block;
    DWORD handle = 1;
    const DWORD size = functions.getSize(path, &handle);
    // A size no allocation can meet counts as a failed allocation.
    if (size == 0 || handle != 0 || size > kLargestVersionBlock) return block;

    const DWORD copied = std::min(size, kLargestCopy);
    // Zero-filled: a text the system fails to convert then reads as empty
    // instead of as whatever the memory held.
    std::unique_ptr<unsigned char[]> data(new (std::nothrow) unsigned char[copied + kSlack]());
    // A failed copy (the file changed since its size was asked) leaves
    // nothing to read: its lengths would not be the file's.
    if (!data || !functions.getInfo(path, handle, copied, data.get())) return block;
    LimitRootLength(data.get(), copied);
    block.m_query = functions.query;
    block.m_size = copied + kSlack;
    block.m_data = std::move(data);
    return block;
}

void* VersionBlock::Query(const char* subBlock, UINT& length) const
{
    // A member, not a local: the compiler cannot tell that the query never
    // points the value at its own out-variable.
    m_value = nullptr;
    length = 0;
    if (IsEmpty() || !m_query(m_data.get(), subBlock, &m_value, &length)) return nullptr;
    return m_value;
}

std::size_t VersionBlock::RoomAt(const void* value) const
{
    const auto* begin = reinterpret_cast<const char*>(m_data.get());
    const auto* at = static_cast<const char*>(value);
    return at >= begin && at <= begin + m_size ? static_cast<std::size_t>(begin + m_size - at) : 0;
}

std::optional<VS_FIXEDFILEINFO> VersionBlock::FixedInfo() const
{
    UINT length = 0;
    const void* value = Query("\\", length);
    // A value shorter than the fixed record is no fixed record: reading it
    // would take the versions from whatever follows.
    if (!value || length < sizeof(VS_FIXEDFILEINFO) || RoomAt(value) < sizeof(VS_FIXEDFILEINFO)) return std::nullopt;
    VS_FIXEDFILEINFO fixed;
    std::memcpy(&fixed, value, sizeof fixed);
    return fixed;
}

std::vector<VersionTranslation> VersionBlock::Translations() const
{
    UINT length = 0;
    const auto* table = static_cast<const unsigned char*>(Query("\\VarFileInfo\\Translation", length));
    std::vector<VersionTranslation> translations;
    if (!table) return translations;
    // A length past the block's end is cut to what the block holds; the
    // table need not be aligned.
    const std::size_t count = std::min<std::size_t>(length, RoomAt(table)) / 4;
    for (std::size_t i = 0; i < count; ++i) {
        const unsigned char* entry = table + 4 * i;
        translations.push_back({static_cast<std::uint16_t>(entry[0] | entry[1] << 8),
                                static_cast<std::uint16_t>(entry[2] | entry[3] << 8)});
    }
    return translations;
}

bool VersionBlock::HasStringTable(const VersionTranslation& translation) const
{
    char subBlock[64];
    std::snprintf(subBlock, sizeof subBlock, "\\StringFileInfo\\%04x%04x", translation.language, translation.codePage);
    UINT length = 0;
    return Query(subBlock, length) != nullptr;
}

std::optional<std::string> VersionBlock::Text(const VersionTranslation& translation, const char* name) const
{
    char subBlock[128];
    std::snprintf(subBlock, sizeof subBlock, "\\StringFileInfo\\%04x%04x\\%s", translation.language,
                  translation.codePage, name);
    UINT length = 0;
    const auto* text = static_cast<const char*>(Query(subBlock, length));
    if (!text) return std::nullopt;
    const std::size_t room = RoomAt(text);
    // Every value points into the copy; anything else is not read at all.
    if (room == 0) return std::string();
    const void* end = std::memchr(text, 0, room);
    return std::string(text, end ? static_cast<const char*>(end) - text : room);
}

std::optional<std::string> VersionBlock::LastTranslationText(const char* name) const
{
    // The last translation's text wins: asked from the end, the first found.
    const std::vector<VersionTranslation> translations = Translations();
    for (auto translation = translations.rbegin(); translation != translations.rend(); ++translation) {
        if (std::optional<std::string> text = Text(*translation, name)) return text;
    }
    return std::nullopt;
}

#ifdef _WIN32
namespace {

std::string Utf8OfWide(const wchar_t* text, std::size_t units)
{
    if (units == 0) return std::string();
    const int size = WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(units), nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(units), &utf8[0], size, nullptr, nullptr);
    return utf8;
}

// A 16-bit block's text is in the code page its translation names (932 for
// Japanese); the ANSI code page when that one is none this system knows or
// the bytes are no text in it.
std::string Utf8OfNarrow(const std::string& text, std::uint16_t codePage)
{
    if (text.empty()) return text;
    const int length = static_cast<int>(text.size());
    for (const UINT from : {static_cast<UINT>(codePage), static_cast<UINT>(CP_ACP)}) {
        if (from != CP_ACP && (from == 1200 || !IsValidCodePage(from))) continue;
        const DWORD flags = from == CP_ACP ? 0 : MB_ERR_INVALID_CHARS;
        const int units = MultiByteToWideChar(from, flags, text.data(), length, nullptr, 0);
        if (units <= 0) continue;
        std::wstring wide(static_cast<std::size_t>(units), L'\0');
        MultiByteToWideChar(from, flags, text.data(), length, &wide[0], units);
        return Utf8OfWide(wide.data(), wide.size());
    }
    return text;
}

}  // namespace
#endif

std::optional<std::string> VersionBlock::Utf8Text(const VersionTranslation& translation, const char* name) const
{
#ifdef _WIN32
    if (!IsEmpty() && IsSixteenBitVersionBlock(m_data.get())) {
        const std::optional<std::string> narrow = Text(translation, name);
        if (!narrow) return std::nullopt;
        return Utf8OfNarrow(*narrow, translation.codePage);
    }
    wchar_t subBlock[128];
    std::swprintf(subBlock, sizeof subBlock / sizeof subBlock[0], L"\\StringFileInfo\\%04x%04x\\%hs",
                  translation.language, translation.codePage, name);
    void* value = nullptr;
    UINT length = 0;
    if (IsEmpty() || !VerQueryValueW(m_data.get(), subBlock, &value, &length) || !value) return std::nullopt;
    // In units; never past the copy, and up to the first NUL.
    const std::size_t room = RoomAt(value) / sizeof(wchar_t);
    const auto* text = static_cast<const wchar_t*>(value);
    std::size_t units = 0;
    while (units < room && text[units] != 0) ++units;
    return Utf8OfWide(text, units);
#else
    return Text(translation, name);
#endif
}

std::optional<std::string> VersionBlock::LastTranslationUtf8Text(const char* name) const
{
    const std::vector<VersionTranslation> translations = Translations();
    for (auto translation = translations.rbegin(); translation != translations.rend(); ++translation) {
        if (std::optional<std::string> text = Utf8Text(*translation, name)) return text;
    }
    return std::nullopt;
}

}  // namespace platform
