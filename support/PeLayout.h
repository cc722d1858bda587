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
constexpr std::size_t kPe32PlusImageBaseField = 24;  // 8 bytes
constexpr std::size_t kPe32ImageBaseField = 28;      // 4 bytes
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

constexpr std::uint16_t kFileIsDll = 0x2000;  // IMAGE_FILE_DLL, in Characteristics

// IMAGE_SECTION_HEADER, right after the optional header.
constexpr std::size_t kSectionHeaderSize = 40;
constexpr std::size_t kSectionVirtualSizeField = 8;
constexpr std::size_t kSectionVirtualAddressField = 12;
constexpr std::size_t kSectionSizeOfRawDataField = 16;
constexpr std::size_t kSectionPointerToRawDataField = 20;

constexpr std::size_t kMaxSections = 96;  // the most the Windows loader maps

// IMAGE_IMPORT_DESCRIPTOR, the import directory's entries.
constexpr std::size_t kImportDescriptorSize = 20;
constexpr std::size_t kImportLookupTableField = 0;  // OriginalFirstThunk
constexpr std::size_t kImportNameField = 12;
constexpr std::size_t kImportAddressTableField = 16;  // FirstThunk
// A thunk of the lookup table imports by ordinal when its top bit is set;
// else it is the RVA of IMAGE_IMPORT_BY_NAME: a 2-byte hint, then the name.
constexpr std::size_t kImportByNameHintSize = 2;

// IMAGE_DELAYLOAD_DESCRIPTOR, the delay-load directory's entries.
constexpr std::size_t kDelayDescriptorSize = 32;
constexpr std::size_t kDelayAttributesField = 0;
constexpr std::uint32_t kDelayAttributesRvaBased = 1;  // else the fields are virtual addresses
constexpr std::size_t kDelayNameField = 4;
constexpr std::size_t kDelayNameTableField = 16;

// IMAGE_EXPORT_DIRECTORY.
constexpr std::size_t kExportDirectorySize = 40;
constexpr std::size_t kExportOrdinalBaseField = 16;
constexpr std::size_t kExportFunctionCountField = 20;
constexpr std::size_t kExportNameCountField = 24;
constexpr std::size_t kExportFunctionsField = 28;
constexpr std::size_t kExportNamesField = 32;
constexpr std::size_t kExportNameOrdinalsField = 36;

// IMAGE_RESOURCE_DIRECTORY, its entries and IMAGE_RESOURCE_DATA_ENTRY.
constexpr std::size_t kResourceDirectorySize = 16;
constexpr std::size_t kResourceNamedEntriesField = 12;
constexpr std::size_t kResourceIdEntriesField = 14;
constexpr std::size_t kResourceEntrySize = 8;  // name or id, offset
constexpr std::uint32_t kResourceSubdirectoryFlag = 0x80000000u;
constexpr std::size_t kResourceDataEntrySize = 16;      // RVA, size, code page, reserved
constexpr std::uint32_t kResourceTypeManifest = 24;     // RT_MANIFEST
constexpr std::uint32_t kProcessManifestId = 1;         // CREATEPROCESS_MANIFEST_RESOURCE_ID
constexpr std::uint32_t kIsolationAwareManifestId = 2;  // ISOLATIONAWARE_MANIFEST_RESOURCE_ID

// Wine writes one of these texts right after the MS-DOS header of the copy
// a prefix keeps of a module that Wine itself provides.
constexpr const char* kWineBuiltinMarker = "Wine builtin DLL";
constexpr const char* kWinePlaceholderMarker = "Wine placeholder DLL";

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
