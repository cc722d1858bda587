// The bitness probe tests three header fields (offsets 24 and 60 of the
// MS-DOS header and the optional header's Magic), and the PE signature where
// the MS-DOS header alone would call the file 16-bit. It reads the file's
// first page, where all of them nearly always lie, and a field alone when it
// lies further: a cost that does not grow with the module, so a module over
// 4 GiB is judged by its real size.
#include "engine/ModuleBitness.h"

#include <cstdint>

#include "platform/UniqueHandles.h"
#include "support/LittleEndian.h"

namespace {

constexpr uint64_t kDosHeaderSize = 64;
constexpr DWORD kFirstPageSize = 4096;
constexpr uint64_t kMagicOffsetInPeHeader = 24;  // after the signature and file header
constexpr uint16_t kPe32Magic = 0x10B;
constexpr uint16_t kPe32PlusMagic = 0x20B;

using support::ReadU16;
using support::ReadU32;

// How many bytes it read at `offset`, up to `count`; 0 when reading fails.
DWORD ReadUpTo(HANDLE file, uint64_t offset, void* buffer, DWORD count)
{
    LARGE_INTEGER position;
    position.QuadPart = static_cast<LONGLONG>(offset);
    DWORD read = 0;
    if (!SetFilePointerEx(file, position, nullptr, FILE_BEGIN)) return 0;
    return ReadFile(file, buffer, count, &read, nullptr) ? read : 0;
}

// The `count` bytes at `offset`, from the first page when it holds them.
bool ReadField(HANDLE file, const unsigned char* page, DWORD pageBytes, uint64_t offset, unsigned char* field,
               DWORD count)
{
    if (offset + count <= pageBytes) {
        for (DWORD i = 0; i < count; ++i) field[i] = page[offset + i];
        return true;
    }
    return ReadUpTo(file, offset, field, count) == count;
}

int ProbeOpenFile(HANDLE file)
{
    LARGE_INTEGER size;
    if (!GetFileSizeEx(file, &size) || size.QuadPart < static_cast<LONGLONG>(kDosHeaderSize)) return 0;
    const auto fileSize = static_cast<uint64_t>(size.QuadPart);

    unsigned char header[kFirstPageSize];
    const DWORD wanted = fileSize < kFirstPageSize ? static_cast<DWORD>(fileSize) : kFirstPageSize;
    const DWORD got = ReadUpTo(file, 0, header, wanted);
    if (got < kDosHeaderSize) return 0;
    const uint16_t relocationTableOffset = ReadU16(header + 24);  // e_lfarlc
    const uint32_t newHeaderOffset = ReadU32(header + 60);        // e_lfanew

    bool newStyleHeader = relocationTableOffset >= 64 || (relocationTableOffset == 0 && newHeaderOffset == 64);
    // Network-boot EFI images and packed executables leave e_lfarlc 0 with
    // the PE header elsewhere than at 64: the signature tells them from an
    // old MS-DOS or 16-bit module.
    if (!newStyleHeader && relocationTableOffset == 0 && uint64_t{newHeaderOffset} + 4 <= fileSize) {
        unsigned char signature[4];
        newStyleHeader = ReadField(file, header, got, newHeaderOffset, signature, sizeof signature) &&
                         signature[0] == 'P' && signature[1] == 'E' && signature[2] == 0 && signature[3] == 0;
    }
    if (!newStyleHeader) return 16;

    const uint64_t magicOffset = uint64_t{newHeaderOffset} + kMagicOffsetInPeHeader;
    if (magicOffset + 2 > fileSize) return 0;
    unsigned char magic[2];
    if (!ReadField(file, header, got, magicOffset, magic, sizeof magic)) return 0;
    switch (ReadU16(magic)) {
    case kPe32Magic: return 32;
    case kPe32PlusMagic: return 64;
    default: return 0;
    }
}

}  // namespace

int GetModuleBitness(const char* path)
{
    const platform::UniqueFileHandle file(
        CreateFileA(path, GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    return file.IsValid() ? ProbeOpenFile(file.Get()) : 0;
}
