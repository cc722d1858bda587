// The MS-DOS, NE and PE/COFF layouts as the published formats give them:
// named offsets, magics and directory indices, for every reader of a
// module. Each reader keeps its own strictness (each follows another
// Windows reader); the numbers live here once.
#pragma once

#include <cstddef>
#include <cstdint>

namespace support::pe {

// IMAGE_DOS_HEADER
constexpr std::size_t kDosHeaderSize = 64;
constexpr std::size_t kRelocationTableOffsetField = 24;  // e_lfarlc
constexpr std::size_t kNewHeaderOffsetField = 60;        // e_lfanew

// The new header at e_lfanew: "PE\0\0", then IMAGE_FILE_HEADER, then the
// optional header. Offsets from the signature.
constexpr std::size_t kSignatureSize = 4;
constexpr std::size_t kMachineField = 4;
constexpr std::size_t kNumberOfSectionsField = 6;
constexpr std::size_t kTimeDateStampField = 8;
constexpr std::size_t kSizeOfOptionalHeaderField = 20;
constexpr std::size_t kCharacteristicsField = 22;
constexpr std::size_t kOptionalHeader = 24;

// Fields of the optional header, from its start; the same in PE32 and
// PE32+ unless named for one.
constexpr std::size_t kMagicField = 0;
constexpr std::size_t kAddressOfEntryPointField = 16;
constexpr std::size_t kSectionAlignmentField = 32;
constexpr std::size_t kFileAlignmentField = 36;
constexpr std::size_t kSizeOfImageField = 56;
constexpr std::size_t kSizeOfHeadersField = 60;
constexpr std::size_t kCheckSumField = 64;
constexpr std::size_t kSubsystemField = 68;
constexpr std::size_t kDllCharacteristicsField = 70;
constexpr std::size_t kPe32NumberOfRvaAndSizesField = 92;
constexpr std::size_t kPe32PlusNumberOfRvaAndSizesField = 108;
constexpr std::size_t kPe32DataDirectories = 96;
constexpr std::size_t kPe32PlusDataDirectories = 112;
constexpr std::size_t kDataDirectoryEntrySize = 8;  // RVA (a file offset for the security entry), size

constexpr std::uint16_t kPe32Magic = 0x10B;      // IMAGE_NT_OPTIONAL_HDR32_MAGIC
constexpr std::uint16_t kPe32PlusMagic = 0x20B;  // IMAGE_NT_OPTIONAL_HDR64_MAGIC

// IMAGE_DIRECTORY_ENTRY_*
enum DirectoryIndex : std::uint32_t {
    kExportDirectory = 0,
    kImportDirectory = 1,
    kResourceDirectory = 2,
    kExceptionDirectory = 3,
    kSecurityDirectory = 4,
    kBaseRelocationDirectory = 5,
    kDebugDirectory = 6,
    kTlsDirectory = 9,
    kLoadConfigDirectory = 10,
    kBoundImportDirectory = 11,
    kImportAddressTable = 12,
    kDelayImportDirectory = 13,
    kClrRuntimeHeader = 14,
};

constexpr std::size_t NumberOfRvaAndSizesField(bool pe32Plus)
{
    return pe32Plus ? kPe32PlusNumberOfRvaAndSizesField : kPe32NumberOfRvaAndSizesField;
}
constexpr std::size_t DataDirectoryField(bool pe32Plus, std::uint32_t index)
{
    return (pe32Plus ? kPe32PlusDataDirectories : kPe32DataDirectories) + index * kDataDirectoryEntrySize;
}

// IMAGE_SECTION_HEADER, right after the optional header.
constexpr std::size_t kSectionHeaderSize = 40;
constexpr std::size_t kSectionVirtualSizeField = 8;
constexpr std::size_t kSectionVirtualAddressField = 12;
constexpr std::size_t kSectionSizeOfRawDataField = 16;
constexpr std::size_t kSectionPointerToRawDataField = 20;

// IMAGE_FILE_MACHINE_*
constexpr std::uint16_t kMachineI386 = 0x014C;
constexpr std::uint16_t kMachineAmd64 = 0x8664;
constexpr std::uint16_t kMachineArm64 = 0xAA64;
constexpr std::uint16_t kMachineArmNt = 0x01C4;
constexpr std::uint16_t kMachineArm = 0x01C0;
constexpr std::uint16_t kMachineIa64 = 0x0200;

// The NE header (16-bit modules) at e_lfanew.
constexpr std::size_t kNeHeaderSize = 64;
constexpr std::size_t kNeResourceTableField = 0x24;  // ne_rsrctab, from the NE header

// WIN_CERTIFICATE in the attribute certificate table.
constexpr std::size_t kCertificateEntryHeaderSize = 8;  // dwLength, wRevision, wCertificateType
constexpr std::uint16_t kCertificateRevision1 = 0x0100;
constexpr std::uint16_t kCertificateRevision2 = 0x0200;
constexpr std::uint16_t kCertificateTypePkcsSignedData = 2;

}  // namespace support::pe
