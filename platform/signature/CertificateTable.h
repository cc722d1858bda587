// Where a PE module keeps its Authenticode signature: the certificate table
// named by the optional header's security directory entry, whose address is
// a file offset (not an RVA), and the WIN_CERTIFICATE entries in it. Every
// offset comes from the file, so every one is checked against the file's
// size and against the structure holding it.
#pragma once

#include <cstddef>
#include <cstdint>

namespace platform::signature {

// The three ranges that Authenticode leaves out of a module's digest.
struct CertificateTableLayout {
    std::uint64_t checkSumOffset = 0;        // the optional header's CheckSum, 4 bytes
    std::uint64_t directoryEntryOffset = 0;  // the security directory entry, 8 bytes
    std::uint64_t tableOffset = 0;           // the table itself, `tableSize` bytes
    std::uint32_t tableSize = 0;
};

enum class TableState {
    None,     // not a PE image, or no certificate table
    Present,  // a table inside the file
    Broken    // a table stated but unusable: past the end, misaligned, in the headers, too large
};

struct TableLocation {
    TableState state = TableState::None;
    CertificateTableLayout layout;
};

// Reads the location from the file's first `headSize` bytes (of
// `fileSize`). Headers cut short by `headSize` give None.
TableLocation LocateCertificateTable(const std::uint8_t* head, std::size_t headSize, std::uint64_t fileSize);

// The largest table read; Authenticode signatures take kilobytes, a few
// with many certificates hundreds of them.
constexpr std::uint32_t kMaxTableSize = 16u * 1024 * 1024;
// Entries walked before the table counts as broken.
constexpr std::size_t kMaxEntries = 64;

enum class EntryState { None, Found, Broken };

// The first entry of type WIN_CERT_TYPE_PKCS_SIGNED_DATA: its certificate
// bytes (after the 8-byte entry header) at [offset, offset + size) of the table.
struct SignedDataEntry {
    EntryState state = EntryState::None;
    std::size_t offset = 0;
    std::size_t size = 0;
};

SignedDataEntry FindSignedDataEntry(const std::uint8_t* table, std::size_t tableSize);

}  // namespace platform::signature
