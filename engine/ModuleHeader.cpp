// Two reads at most: the MS-DOS header, then the new header at e_lfanew up
// to the end of the CLR runtime header's directory entry. Each is cut to
// what the file holds, so an offset from the file is never trusted.
#include "engine/ModuleHeader.h"

#include <cstdint>

#include "support/LittleEndian.h"

namespace {

using support::ReadU16;
using support::ReadU32;

constexpr std::uint64_t kDosHeaderSize = 64;
constexpr std::size_t kNewHeaderOffsetField = 60;  // e_lfanew
constexpr std::uint64_t kNeHeaderSize = 64;

// The PE header: signature, file header, then the optional header.
constexpr std::size_t kMachineField = 4;
constexpr std::size_t kTimeDateStampField = 8;
constexpr std::size_t kOptionalHeader = 24;
// Fields of the optional header, from its start.
constexpr std::size_t kSubsystemField = 68;
constexpr std::size_t kPe32RvaCountField = 92;
constexpr std::size_t kPe32PlusRvaCountField = 108;
constexpr std::size_t kDataDirectoryEntrySize = 8;
constexpr std::uint32_t kClrDirectoryIndex = 14;  // IMAGE_DIRECTORY_ENTRY_COM_DESCRIPTOR

constexpr std::uint16_t kPe32Magic = 0x10B;
constexpr std::uint16_t kPe32PlusMagic = 0x20B;

// PE32+ has the longer fixed part: through the CLR entry it is 256 bytes.
constexpr std::size_t kNewHeaderReadSize =
    kOptionalHeader + kPe32PlusRvaCountField + 4 + (kClrDirectoryIndex + 1) * kDataDirectoryEntrySize;

// The bytes read at `offset`, at most `count`; 0 when reading fails.
DWORD ReadAt(HANDLE file, std::uint64_t offset, void* buffer, DWORD count)
{
    LARGE_INTEGER position;
    position.QuadPart = static_cast<LONGLONG>(offset);
    DWORD read = 0;
    if (!SetFilePointerEx(file, position, nullptr, FILE_BEGIN)) return 0;
    return ReadFile(file, buffer, count, &read, nullptr) ? read : 0;
}

// `header` holds `size` bytes from the PE signature on.
ModuleHeader PeFacts(const std::uint8_t* header, std::size_t size)
{
    ModuleHeader facts;
    if (size < kOptionalHeader + 2) return facts;
    const std::uint16_t magic = ReadU16(header + kOptionalHeader);
    if (magic != kPe32Magic && magic != kPe32PlusMagic) return facts;
    const bool pe32Plus = magic == kPe32PlusMagic;

    const std::size_t rvaCountField = kOptionalHeader + (pe32Plus ? kPe32PlusRvaCountField : kPe32RvaCountField);
    if (size < rvaCountField + 4) return facts;
    const std::uint32_t rvaCount = ReadU32(header + rvaCountField);
    bool managed = false;
    if (rvaCount > kClrDirectoryIndex) {
        // A header that counts the entry but ends before it is cut short.
        const std::size_t clrEntry = rvaCountField + 4 + kClrDirectoryIndex * kDataDirectoryEntrySize;
        if (size < clrEntry + kDataDirectoryEntrySize) return facts;
        managed = ReadU32(header + clrEntry) != 0 && ReadU32(header + clrEntry + 4) != 0;
    }

    facts.kind = ModuleKind::Pe;
    facts.machine = ReadU16(header + kMachineField);
    facts.timeDateStamp = ReadU32(header + kTimeDateStampField);
    facts.subsystem = ReadU16(header + kOptionalHeader + kSubsystemField);
    facts.pe32Plus = pe32Plus;
    facts.managed = managed;
    return facts;
}

}  // namespace

ModuleHeader ReadModuleHeader(HANDLE file)
{
    LARGE_INTEGER sizeField;
    if (!GetFileSizeEx(file, &sizeField) || sizeField.QuadPart < static_cast<LONGLONG>(kDosHeaderSize)) return {};
    const auto fileSize = static_cast<std::uint64_t>(sizeField.QuadPart);

    std::uint8_t dosHeader[kDosHeaderSize];
    if (ReadAt(file, 0, dosHeader, sizeof dosHeader) != sizeof dosHeader) return {};
    if (dosHeader[0] != 'M' || dosHeader[1] != 'Z') return {};
    const std::uint64_t newHeaderOffset = ReadU32(dosHeader + kNewHeaderOffsetField);
    if (newHeaderOffset >= fileSize) return {};

    std::uint8_t header[kNewHeaderReadSize];
    const std::uint64_t remaining = fileSize - newHeaderOffset;
    const auto wanted = static_cast<DWORD>(remaining < sizeof header ? remaining : sizeof header);
    const DWORD got = ReadAt(file, newHeaderOffset, header, wanted);

    if (got >= 2 && header[0] == 'N' && header[1] == 'E') {
        ModuleHeader facts;
        if (got >= kNeHeaderSize) facts.kind = ModuleKind::Ne;
        return facts;
    }
    const bool peSignature = got >= 4 && header[0] == 'P' && header[1] == 'E' && header[2] == 0 && header[3] == 0;
    return peSignature ? PeFacts(header, got) : ModuleHeader();
}
