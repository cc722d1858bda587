#include "platform/signature/CertificateTable.h"

#include "support/LittleEndian.h"

namespace platform::signature {

namespace {

using support::ReadU16;
using support::ReadU32;

constexpr std::size_t kDosHeaderSize = 64;
constexpr std::size_t kNewHeaderOffsetField = 60;  // e_lfanew
// From the PE signature: the file header's SizeOfOptionalHeader, then the optional header.
constexpr std::size_t kOptionalHeaderSizeField = 20;
constexpr std::size_t kOptionalHeader = 24;
// Fields of the optional header, from its start; the same in PE32 and PE32+.
constexpr std::size_t kSizeOfHeadersField = 60;
constexpr std::size_t kCheckSumField = 64;
constexpr std::size_t kPe32RvaCountField = 92;
constexpr std::size_t kPe32PlusRvaCountField = 108;
constexpr std::size_t kDirectoryEntrySize = 8;
constexpr std::uint32_t kSecurityDirectoryIndex = 4;  // IMAGE_DIRECTORY_ENTRY_SECURITY

constexpr std::uint16_t kPe32Magic = 0x10B;
constexpr std::uint16_t kPe32PlusMagic = 0x20B;

constexpr std::size_t kEntryHeaderSize = 8;  // dwLength, wRevision, wCertificateType
constexpr std::uint16_t kPkcsSignedData = 2;  // WIN_CERT_TYPE_PKCS_SIGNED_DATA

std::uint64_t AlignUp8(std::uint64_t value) { return (value + 7) & ~std::uint64_t{7}; }

}  // namespace

TableLocation LocateCertificateTable(const std::uint8_t* head, std::size_t headSize, std::uint64_t fileSize)
{
    TableLocation location;
    if (headSize < kDosHeaderSize || head[0] != 'M' || head[1] != 'Z') return location;
    const std::uint64_t pe = ReadU32(head + kNewHeaderOffsetField);
    if (pe + kOptionalHeader + 2 > headSize) return location;
    const std::uint8_t* header = head + pe;
    if (header[0] != 'P' || header[1] != 'E' || header[2] != 0 || header[3] != 0) return location;

    const std::uint16_t magic = ReadU16(header + kOptionalHeader);
    if (magic != kPe32Magic && magic != kPe32PlusMagic) return location;
    const std::size_t rvaCountField = kOptionalHeader + (magic == kPe32PlusMagic ? kPe32PlusRvaCountField : kPe32RvaCountField);
    const std::size_t entryField = rvaCountField + 4 + kSecurityDirectoryIndex * kDirectoryEntrySize;
    if (pe + entryField + kDirectoryEntrySize > headSize) return location;
    // An entry the header does not count, or that lies past the optional
    // header the file header states, is not there.
    if (ReadU32(header + rvaCountField) <= kSecurityDirectoryIndex) return location;
    if (kOptionalHeader + ReadU16(header + kOptionalHeaderSizeField) < entryField + kDirectoryEntrySize) return location;

    const std::uint32_t tableOffset = ReadU32(header + entryField);
    const std::uint32_t tableSize = ReadU32(header + entryField + 4);
    if (tableOffset == 0 || tableSize == 0) return location;

    location.layout.checkSumOffset = pe + kOptionalHeader + kCheckSumField;
    location.layout.directoryEntryOffset = pe + entryField;
    location.layout.tableOffset = tableOffset;
    location.layout.tableSize = tableSize;
    // Both in 64 bits, so offset + size cannot wrap.
    const bool fits = std::uint64_t{tableOffset} + tableSize <= fileSize;
    // The table follows the image; one inside the headers would overlap what it signs.
    const bool afterHeaders = tableOffset >= ReadU32(header + kOptionalHeader + kSizeOfHeadersField) &&
                              tableOffset >= location.layout.directoryEntryOffset + kDirectoryEntrySize;
    location.state = fits && afterHeaders && tableOffset % 8 == 0 && tableSize <= kMaxTableSize ? TableState::Present
                                                                                                 : TableState::Broken;
    return location;
}

SignedDataEntry FindSignedDataEntry(const std::uint8_t* table, std::size_t tableSize)
{
    SignedDataEntry found;
    std::uint64_t offset = 0;
    for (std::size_t count = 0; offset + kEntryHeaderSize <= tableSize; ++count) {
        if (count == kMaxEntries) {
            found.state = EntryState::Broken;
            return found;
        }
        const std::uint32_t length = ReadU32(table + offset);
        // A length that does not cover its own header would never advance.
        if (length < kEntryHeaderSize || length > tableSize - offset) {
            found.state = EntryState::Broken;
            return found;
        }
        if (ReadU16(table + offset + 6) == kPkcsSignedData) {
            found.state = length > kEntryHeaderSize ? EntryState::Found : EntryState::Broken;
            found.offset = static_cast<std::size_t>(offset + kEntryHeaderSize);
            found.size = length - kEntryHeaderSize;
            return found;
        }
        offset = AlignUp8(offset + length);
    }
    return found;
}

}  // namespace platform::signature
