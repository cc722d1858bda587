#include "engine/VersionResource.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <new>

#include "platform/win32.h"

namespace {

constexpr DWORD kLargestVersionBlock = 0x7FFFFFF0;

// Frees the version block on every way out.
class VersionBlock {
public:
    explicit VersionBlock(DWORD size) : m_size(static_cast<std::size_t>(size) + 10), m_data(new (std::nothrow) unsigned char[m_size]())
    {
        // Zero-filled: a text the system fails to convert then reads as empty
        // instead of as whatever the memory held.
    }
    ~VersionBlock() { delete[] m_data; }
    VersionBlock(const VersionBlock&) = delete;
    VersionBlock& operator=(const VersionBlock&) = delete;

    unsigned char* data() const { return m_data; }

    // True when the `length` bytes at `value` lie inside the block.
    bool Holds(const void* value, std::size_t length) const
    {
        const auto* begin = reinterpret_cast<const char*>(m_data);
        const auto* at = static_cast<const char*>(value);
        return at >= begin && at <= begin + m_size && length <= static_cast<std::size_t>(begin + m_size - at);
    }

    // Bytes from `value` to the block's end; 0 when `value` is outside it.
    std::size_t RoomAt(const void* value) const
    {
        const auto* begin = reinterpret_cast<const char*>(m_data);
        const auto* at = static_cast<const char*>(value);
        return at >= begin && at <= begin + m_size ? static_cast<std::size_t>(begin + m_size - at) : 0;
    }

    // The text at `value`, never read past the block's end.
    CString TextAt(const void* value) const
    {
        const auto* text = static_cast<const char*>(value);
        const auto* begin = reinterpret_cast<const char*>(m_data);
        if (text < begin || text >= begin + m_size) return CString(text);
        const std::size_t room = static_cast<std::size_t>(begin + m_size - text);
        const void* end = std::memchr(text, 0, room);
        return CString(text, static_cast<int>(end ? static_cast<const char*>(end) - text : room));
    }

private:
    std::size_t m_size;
    unsigned char* m_data;
};

void ReadFixedInfo(const VersionBlock& block, ModuleVersionInfo& info)
{
    void* value = nullptr;
    UINT length = 0;
    // A value shorter than the fixed record is no fixed record: reading it
    // would take the versions from whatever follows.
    if (!VerQueryValueA(block.data(), "\\", &value, &length) || !value ||
        length < sizeof(VS_FIXEDFILEINFO) || !block.Holds(value, sizeof(VS_FIXEDFILEINFO))) {
        return;
    }
    VS_FIXEDFILEINFO fixed;
    std::memcpy(&fixed, value, sizeof fixed);
    info.productVersionMS = fixed.dwProductVersionMS;
    info.productVersionLS = fixed.dwProductVersionLS;
    info.fileVersionMS = fixed.dwFileVersionMS;
    info.fileVersionLS = fixed.dwFileVersionLS;
}

// The CompanyName of the last translation that has one, even an empty one.
void ReadCompany(const VersionBlock& block, ModuleVersionInfo& info)
{
    void* table = nullptr;
    UINT tableLength = 0;
    if (!VerQueryValueA(block.data(), "\\VarFileInfo\\Translation", &table, &tableLength) || !table) return;

    // A length past the block's end is cut to what the block holds.
    const std::size_t entryCount = std::min<std::size_t>(tableLength, block.RoomAt(table)) / 4;
    const auto* entries = static_cast<const unsigned char*>(table);
    for (std::size_t j = 0; j < entryCount; ++j) {
        const unsigned language = entries[4 * j] | entries[4 * j + 1] << 8;
        const unsigned codePage = entries[4 * j + 2] | entries[4 * j + 3] << 8;
        char query[64];
        std::snprintf(query, sizeof query, "\\StringFileInfo\\%04x%04x\\CompanyName", language, codePage);
        void* text = nullptr;
        UINT length = 0;
        VerQueryValueA(block.data(), query, &text, &length);
        if (text) info.company = block.TextAt(text);
    }
}

// A root length past the copied data is cut to it. The system's queries walk
// the block by that length, and the narrow query writes its converted texts
// into the second half of a 32-bit block at offsets beyond it.
void LimitRootLength(unsigned char* data, DWORD size)
{
    if (size < 6) return;
    const unsigned length = data[0] | data[1] << 8;
    // Byte 4 begins the key of a 16-bit block and is the low byte of wType
    // in a 32-bit block, which takes twice its length plus 4.
    const bool wide = data[4] < 0x20;
    const unsigned limit = wide ? (size - 4) / 2 : size;
    if (length <= limit) return;
    data[0] = static_cast<unsigned char>(limit & 0xFF);
    data[1] = static_cast<unsigned char>(limit >> 8 & 0xFF);
}

}  // namespace

ModuleVersionInfo ReadModuleVersionInfo(const char* path)
{
    ModuleVersionInfo info;
    DWORD handle = 1;
    const DWORD size = GetFileVersionInfoSizeA(path, &handle);
    if (size == 0 || handle != 0) return info;
    // A size no allocation can meet counts as a failed allocation.
    if (size > kLargestVersionBlock) return info;

    VersionBlock block(size);
    if (!block.data() || !GetFileVersionInfoA(path, handle, size, block.data())) return info;
    LimitRootLength(block.data(), size);
    ReadFixedInfo(block, info);
    ReadCompany(block, info);
    return info;
}
