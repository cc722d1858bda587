// Where a PE module keeps its Authenticode signature: the certificate table
// named by the optional header's security directory entry, whose address is
// a file offset (not an RVA), and the WIN_CERTIFICATE entries in it. Every
// offset comes from the file, so each is checked against the file's size
// and the structure holding it; the table is taken only where Windows takes
// it: after the headers and every section's raw data, on an 8-byte
// boundary, ending the file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/signature/DigestRanges.h"

namespace platform::signature {

struct CertificateTableLayout {
    std::uint64_t tableOffset = 0;
    std::uint32_t tableSize = 0;
    // What the Authenticode digest takes, in file order (DigestRanges.h).
    std::vector<ByteRange> digested;
};

enum class TableState {
    None,     // not a PE image, or no certificate table
    Present,  // a table where Windows takes one
    Broken    // a table stated but not soundly placed: the signature cannot be located
};

struct TableLocation {
    TableState state = TableState::None;
    CertificateTableLayout layout;
};

// Reads the location from the file's first `headSize` bytes (of
// `fileSize`). Headers cut short before the directory entry give None; a
// section table past `headSize` or past SizeOfHeaders gives Broken.
TableLocation LocateCertificateTable(const std::uint8_t* head, std::size_t headSize, std::uint64_t fileSize);

// The largest table read; Authenticode signatures take kilobytes, a few
// with many certificates hundreds of them.
constexpr std::uint32_t kMaxTableSize = 16u * 1024 * 1024;
// Entries walked before the table counts as broken.
constexpr std::size_t kMaxEntries = 64;

enum class EntryState {
    None,
    Found,
    Broken
};

// The signed data of the table's first entry, which must be a PKCS#7
// SignedData of revision 1.0 or 2.0: its bytes (after the 8-byte entry
// header) at [offset, offset + size) of the table. The entries' lengths,
// each rounded up to 8, must fill the table exactly.
struct SignedDataEntry {
    EntryState state = EntryState::None;
    std::size_t offset = 0;
    std::size_t size = 0;
};

SignedDataEntry FindSignedDataEntry(const std::uint8_t* table, std::size_t tableSize);

}  // namespace platform::signature
