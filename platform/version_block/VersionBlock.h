// A module's version resource, copied with the version functions and read
// only within the copy: the one reader that the module rows and the OS
// version probe share.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/win32.h"

namespace platform {

using GetFileVersionInfoSizeAFn = DWORD(WINAPI*)(LPCSTR fileName, LPDWORD handle);
using GetFileVersionInfoAFn = BOOL(WINAPI*)(LPCSTR fileName, DWORD handle, DWORD length, LPVOID data);
using VerQueryValueAFn = BOOL(WINAPI*)(LPCVOID block, LPCSTR subBlock, LPVOID* buffer, PUINT length);

// The version functions to read through: those this program links, or
// those a caller looked up at run time.
struct VersionFunctions {
    GetFileVersionInfoSizeAFn getSize = nullptr;
    GetFileVersionInfoAFn getInfo = nullptr;
    VerQueryValueAFn query = nullptr;
};
VersionFunctions LinkedVersionFunctions();

// One entry of the Translation table.
struct VersionTranslation {
    std::uint16_t language = 0;
    std::uint16_t codePage = 0;
};

class VersionBlock {
public:
    // No block: what a file without a version resource gives.
    VersionBlock() = default;
    VersionBlock(VersionBlock&&) noexcept = default;
    VersionBlock& operator=(VersionBlock&&) noexcept = default;

    // The version resource of `path`; an empty block when the file has none,
    // when the copy fails, or when no buffer of its size can be had.
    static VersionBlock Read(const VersionFunctions& functions, const char* path);

    bool IsEmpty() const { return !m_data; }
    // The fixed info; none when the root value is shorter than the record.
    std::optional<VS_FIXEDFILEINFO> FixedInfo() const;
    // The Translation table in its order, cut to what the block holds.
    std::vector<VersionTranslation> Translations() const;
    // \StringFileInfo\<language><code page>\<name>, never read past the
    // block; none when the query gives no text.
    std::optional<std::string> Text(const VersionTranslation& translation, const char* name) const;
    // Whether \StringFileInfo\<language><code page> is there.
    bool HasStringTable(const VersionTranslation& translation) const;
    // The rule that finds the company: the text of the last translation
    // that has the string, even an empty one; none when no translation has it.
    std::optional<std::string> LastTranslationText(const char* name) const;
    // The same text in UTF-8, read wide on Windows (a text the ANSI code
    // page cannot spell keeps every character), a 16-bit block's from its
    // translation's code page; on POSIX, where the narrow code page is
    // UTF-8, the narrow text.
    std::optional<std::string> LastTranslationUtf8Text(const char* name) const;

private:
    void* Query(const char* subBlock, UINT& length) const;
    std::size_t RoomAt(const void* value) const;
    std::optional<std::string> Utf8Text(const VersionTranslation& translation, const char* name) const;

    VerQueryValueAFn m_query = nullptr;
    std::size_t m_size = 0;
    std::unique_ptr<unsigned char[]> m_data;
    mutable void* m_value = nullptr;
};

}  // namespace platform
