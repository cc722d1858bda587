#include "platform/signature/CertificateTable.h"

#include <algorithm>

#include "platform/signature/DerElements.h"
#include "support/LittleEndian.h"
#include "support/PeLayout.h"

namespace platform::signature {

namespace {

namespace pe = support::pe;
using support::ReadU16;
using support::ReadU32;

std::uint64_t AlignUp8(std::uint64_t value)
{
    return (value + 7) & ~std::uint64_t{7};
}

// The section table's raw data fields, or false when the table is not all
// inside what was read.
bool ReadSections(const std::uint8_t* head, std::size_t headSize, std::uint64_t first, std::uint32_t count,
                  std::vector<SectionRawData>& sections)
{
    if (first + std::uint64_t{count} * pe::kSectionHeaderSize > headSize) return false;
    sections.reserve(count);
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::uint8_t* header = head + first + std::uint64_t{i} * pe::kSectionHeaderSize;
        sections.push_back(
            {ReadU32(header + pe::kSectionPointerToRawDataField), ReadU32(header + pe::kSectionSizeOfRawDataField)});
    }
    return true;
}

}  // namespace

TableLocation LocateCertificateTable(const std::uint8_t* head, std::size_t headSize, std::uint64_t fileSize)
{
    TableLocation location;
    if (headSize < pe::kDosHeaderSize || head[0] != 'M' || head[1] != 'Z') return location;
    const std::uint64_t signature = ReadU32(head + pe::kNewHeaderOffsetField);
    const std::uint64_t optional = signature + pe::kOptionalHeader;
    if (optional + 2 > headSize) return location;
    const std::uint8_t* header = head + signature;
    if (header[0] != 'P' || header[1] != 'E' || header[2] != 0 || header[3] != 0) return location;

    const std::uint16_t magic = ReadU16(head + optional + pe::kMagicField);
    if (magic != pe::kPe32Magic && magic != pe::kPe32PlusMagic) return location;
    const bool pe32Plus = magic == pe::kPe32PlusMagic;
    const std::uint64_t entry = optional + pe::DataDirectoryField(pe32Plus, pe::kSecurityDirectory);
    if (entry + pe::kDataDirectoryEntrySize > headSize) return location;
    // An entry the header does not count, or that lies past the optional
    // header the file header states, is not there.
    const std::uint16_t optionalSize = ReadU16(header + pe::kSizeOfOptionalHeaderField);
    if (ReadU32(head + optional + pe::NumberOfRvaAndSizesField(pe32Plus)) <= pe::kSecurityDirectory) return location;
    if (optional + optionalSize < entry + pe::kDataDirectoryEntrySize) return location;

    const std::uint32_t tableOffset = ReadU32(head + entry);
    const std::uint32_t tableSize = ReadU32(head + entry + 4);
    if (tableOffset == 0 || tableSize == 0) return location;

    location.state = TableState::Broken;
    location.layout.tableOffset = tableOffset;
    location.layout.tableSize = tableSize;
    // Both ends on 8-byte boundaries, the second the file's (in 64 bits, so
    // offset + size cannot wrap): a file longer than its table's end is
    // refused here, before any of its body is read.
    if (tableOffset % 8 != 0 || tableSize % 8 != 0 || tableSize > kMaxTableSize ||
        std::uint64_t{tableOffset} + tableSize != fileSize)
        return location;

    // The section headers follow the optional header inside the headers the
    // loader maps, so the digest of the headers covers them.
    ImageRegions regions;
    regions.sizeOfHeaders = ReadU32(head + optional + pe::kSizeOfHeadersField);
    regions.checkSumOffset = optional + pe::kCheckSumField;
    regions.directoryEntryOffset = entry;
    regions.tableOffset = tableOffset;
    const std::uint64_t sectionTable = optional + optionalSize;
    const std::uint16_t sectionCount = ReadU16(header + pe::kNumberOfSectionsField);
    if (sectionTable + std::uint64_t{sectionCount} * pe::kSectionHeaderSize > regions.sizeOfHeaders ||
        !ReadSections(head, headSize, sectionTable, sectionCount, regions.sections))
        return location;
    std::optional<std::vector<ByteRange>> digested = DigestRanges(regions);
    if (!digested) return location;
    location.layout.digested = std::move(*digested);
    location.state = TableState::Present;
    return location;
}

namespace {

// Past the PKCS#7's own DER length, up to the entry's padded end, nothing
// but zeros: other bytes there are data no signature covers, which Windows'
// certificate padding check refuses. A blob whose length DER does not give
// is left to the PKCS#7 reader.
bool OnlyZerosAfterTheSignedData(const std::uint8_t* table, std::uint32_t firstLength, std::size_t tableSize)
{
    const std::uint8_t* at = table + pe::kCertificateEntryHeaderSize;
    const std::uint8_t* const entryEnd = table + firstLength;
    std::uint8_t tag = 0;
    const std::uint8_t* value = nullptr;
    std::size_t size = 0;
    if (!der::Element(at, entryEnd, tag, value, size)) return true;
    const std::uint8_t* const paddedEnd = table + std::min<std::uint64_t>(AlignUp8(firstLength), tableSize);
    return std::all_of(at, paddedEnd, [](std::uint8_t byte) { return byte == 0; });
}

}  // namespace

SignedDataEntry FindSignedDataEntry(const std::uint8_t* table, std::size_t tableSize)
{
    SignedDataEntry found;
    found.state = EntryState::Broken;
    if (tableSize < pe::kCertificateEntryHeaderSize) return found;
    const std::uint32_t firstLength = ReadU32(table);
    const std::uint16_t revision = ReadU16(table + 4);
    // Windows reads the first entry only: a signature is there or nowhere.
    if ((revision != pe::kCertificateRevision2 && revision != pe::kCertificateRevision1) ||
        ReadU16(table + 6) != pe::kCertificateTypePkcsSignedData || firstLength <= pe::kCertificateEntryHeaderSize)
        return found;

    // Every entry's length, padded to 8, and nothing else: bytes after the
    // last entry would be data that no signature covers.
    std::uint64_t offset = 0;
    for (std::size_t count = 0; offset < tableSize; ++count) {
        if (count == kMaxEntries || tableSize - offset < pe::kCertificateEntryHeaderSize) return found;
        const std::uint32_t length = ReadU32(table + offset);
        // A length that does not cover its own header would never advance.
        if (length < pe::kCertificateEntryHeaderSize || length > tableSize - offset) return found;
        offset = AlignUp8(offset + length);
    }
    if (offset != tableSize) return found;
    if (!OnlyZerosAfterTheSignedData(table, firstLength, tableSize)) return found;
    found.state = EntryState::Found;
    found.offset = pe::kCertificateEntryHeaderSize;
    found.size = firstLength - pe::kCertificateEntryHeaderSize;
    return found;
}

}  // namespace platform::signature
