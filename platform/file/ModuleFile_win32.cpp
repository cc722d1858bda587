// The Win32 body: CreateFileA, then GetFileType, so that a name Windows
// takes for a device (aux.dll, com1.dll, nul.dll in any folder) is never
// read as a module; positioned reads through OVERLAPPED offsets.
#include "platform/file/ModuleFile.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "platform/file/ModuleFileBody_win32.h"
#include "support/AsciiCase.h"

namespace platform {

namespace {

bool SameTime(const FILETIME& a, const FILETIME& b)
{
    return a.dwLowDateTime == b.dwLowDateTime && a.dwHighDateTime == b.dwHighDateTime;
}

bool SizeAndTime(HANDLE file, std::uint64_t& size, FILETIME& lastWrite)
{
    LARGE_INTEGER length;
    FILETIME creation, access;
    if (!GetFileSizeEx(file, &length) || length.QuadPart < 0) return false;
    if (!GetFileTime(file, &creation, &access, &lastWrite)) return false;
    size = static_cast<std::uint64_t>(length.QuadPart);
    return true;
}

}  // namespace

ModuleFile::ModuleFile(const char* path, FileSharing sharing)
{
    if (!path || !*path) return;
    if (NamesADosDevice(path)) {
        m_notADiskFile = true;
        m_openError = ERROR_ACCESS_DENIED;
        return;
    }
    UniqueFileHandle handle(CreateFileA(path, GENERIC_READ, sharing == FileSharing::Nobody ? 0 : FILE_SHARE_READ,
                                        nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!handle.IsValid()) {
        m_openError = GetLastError();
        return;
    }
    if (GetFileType(handle.Get()) != FILE_TYPE_DISK) {
        m_notADiskFile = true;
        m_openError = ERROR_ACCESS_DENIED;
        return;
    }
    if (!SizeAndTime(handle.Get(), m_size, m_lastWrite)) {
        m_openError = GetLastError();
        return;
    }
    m_openError = ERROR_SUCCESS;
    m_body = std::make_unique<Body>(Body{std::move(handle)});
}

std::optional<std::size_t> ModuleFile::ReadAt(std::uint64_t offset, void* buffer, std::size_t size) const
{
    if (!m_body) return std::nullopt;
    auto* out = static_cast<unsigned char*>(buffer);
    std::size_t done = 0;
    while (done < size) {
        const std::uint64_t at = offset + done;
        OVERLAPPED position = {};
        position.Offset = static_cast<DWORD>(at);
        position.OffsetHigh = static_cast<DWORD>(at >> 32);
        const DWORD want = static_cast<DWORD>(std::min<std::size_t>(size - done, 1u << 30));
        DWORD got = 0;
        if (!ReadFile(m_body->handle.Get(), out + done, want, &got, &position)) {
            if (GetLastError() == ERROR_HANDLE_EOF) break;
            return std::nullopt;
        }
        if (got == 0) break;
        done += got;
    }
    return done;
}

bool ModuleFile::ReadExactly(std::uint64_t offset, void* buffer, std::size_t size) const
{
    if (offset > m_size || size > m_size - offset) return false;
    const std::optional<std::size_t> got = ReadAt(offset, buffer, size);
    return got && *got == size;
}

bool ModuleFile::Unchanged() const
{
    std::uint64_t size = 0;
    FILETIME lastWrite{};
    return m_body && SizeAndTime(m_body->handle.Get(), size, lastWrite) && size == m_size &&
           SameTime(lastWrite, m_lastWrite);
}

bool NamesADosDevice(const char* path)
{
    if (!path) return false;
    const char* name = path;
    for (const char* at = path; *at; ++at) {
        if (*at == '\\' || *at == '/') name = at + 1;
    }
    // The name up to its first dot or colon, trailing spaces dropped.
    std::size_t length = std::strcspn(name, ".:");
    while (length > 0 && name[length - 1] == ' ') --length;
    const std::string base(name, length);
    for (const char* device : {"CON", "PRN", "AUX", "NUL"}) {
        if (support::EqualsIgnoringAsciiCase(base.c_str(), device)) return true;
    }
    if (base.size() != 4) return false;
    const std::string stem = base.substr(0, 3);
    const auto digit = static_cast<unsigned char>(base[3]);
    // 1 to 9, and the superscripts 1, 2 and 3 of the Western code page.
    const bool numbered = (digit >= '1' && digit <= '9') || digit == 0xB9 || digit == 0xB2 || digit == 0xB3;
    return numbered && (support::EqualsIgnoringAsciiCase(stem.c_str(), "COM") ||
                        support::EqualsIgnoringAsciiCase(stem.c_str(), "LPT"));
}

}  // namespace platform
