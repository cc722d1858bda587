// From the module's head: the MS-DOS header, then the new header at
// e_lfanew up to the end of the CLR runtime header's directory entry (read
// alone when it lies past the first page). Each read is cut to what the
// file holds, so an offset from the file is never trusted.
#include "engine/ModuleHeader.h"

#include <cstdint>

#include "support/LittleEndian.h"
#include "support/PeLayout.h"

namespace {

namespace pe = support::pe;
using support::ReadU16;
using support::ReadU32;

// PE32+ has the longer fixed part: through the CLR entry it is 256 bytes.
constexpr std::size_t kNewHeaderReadSize =
    pe::kOptionalHeader + pe::DataDirectoryField(true, pe::kClrRuntimeHeader) + pe::kDataDirectoryEntrySize;

// `header` holds `size` bytes from the PE signature on.
ModuleHeader PeFacts(const std::uint8_t* header, std::size_t size)
{
    ModuleHeader facts;
    if (size < pe::kOptionalHeader + 2) return facts;
    const std::uint16_t magic = ReadU16(header + pe::kOptionalHeader + pe::kMagicField);
    if (magic != pe::kPe32Magic && magic != pe::kPe32PlusMagic) return facts;
    const bool pe32Plus = magic == pe::kPe32PlusMagic;

    const std::size_t rvaCountField = pe::kOptionalHeader + pe::NumberOfRvaAndSizesField(pe32Plus);
    if (size < rvaCountField + 4) return facts;
    const std::uint32_t rvaCount = ReadU32(header + rvaCountField);
    bool managed = false;
    if (rvaCount > pe::kClrRuntimeHeader) {
        // A header that counts the entry but ends before it is cut short.
        const std::size_t clrEntry = pe::kOptionalHeader + pe::DataDirectoryField(pe32Plus, pe::kClrRuntimeHeader);
        if (size < clrEntry + pe::kDataDirectoryEntrySize) return facts;
        managed = ReadU32(header + clrEntry) != 0 && ReadU32(header + clrEntry + 4) != 0;
    }

    facts.kind = ModuleKind::Pe;
    facts.machine = ReadU16(header + pe::kMachineField);
    facts.timeDateStamp = ReadU32(header + pe::kTimeDateStampField);
    facts.subsystem = ReadU16(header + pe::kOptionalHeader + pe::kSubsystemField);
    facts.pe32Plus = pe32Plus;
    facts.managed = managed;
    return facts;
}

}  // namespace

ModuleHeader ReadModuleHeader(const ModuleHead& head)
{
    const std::uint64_t fileSize = head.FileSize();
    if (fileSize < pe::kDosHeaderSize || head.Size() < pe::kDosHeaderSize) return {};
    const std::uint8_t* dosHeader = head.Bytes();
    if (dosHeader[0] != 'M' || dosHeader[1] != 'Z') return {};
    const std::uint64_t newHeaderOffset = ReadU32(dosHeader + pe::kNewHeaderOffsetField);
    if (newHeaderOffset >= fileSize) return {};

    std::uint8_t header[kNewHeaderReadSize];
    const std::size_t got = head.Read(newHeaderOffset, header, sizeof header);

    if (got >= 2 && header[0] == 'N' && header[1] == 'E') {
        ModuleHeader facts;
        if (got >= pe::kNeHeaderSize) facts.kind = ModuleKind::Ne;
        return facts;
    }
    const bool peSignature = got >= 4 && header[0] == 'P' && header[1] == 'E' && header[2] == 0 && header[3] == 0;
    return peSignature ? PeFacts(header, got) : ModuleHeader();
}
