// One pass over a module file: its bytes front to back in large chunks,
// each given to the whole-file hash and, when the module is signed, to the
// Authenticode digest; the certificate table alone is read ahead (from the
// first chunk, or by one positioned read) because the digest's algorithm
// is named inside it. The pass reads no further than the size the file had
// at the open, and vouches for nothing when the file changed meanwhile.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "platform/file/ModuleFile.h"
#include "platform/signature/AuthenticodeStream.h"
#include "platform/signature/CertificateTable.h"

namespace platform {
class Sha256;
}

namespace platform::signature {

struct ModulePass {
    bool opened = false;
    bool failed = false;        // a read failed
    bool changed = false;       // the size or last write differed at the end from the open
    bool readWhole = false;     // every byte read
    bool wholeFileFed = false;  // and every byte taken by `wholeFile`
    TableLocation location;
    EntryState entry = EntryState::None;
    std::vector<std::uint8_t> signedData;  // the PKCS#7 bytes of the table's first entry
    bool digested = false;                 // the Authenticode digest saw every byte it takes
    std::uint64_t bytesRead = 0;

    // Whether anything here is to be believed.
    bool Sound() const { return opened && !failed && !changed; }
};

// Called once when the signed-data entry is found; returns the digest's
// sink, or an empty function when there is none to compute. The table is
// located and walked with or without it.
using DigestChooser = std::function<AuthenticodeStream::Sink(const std::vector<std::uint8_t>& signedData)>;

// Without `wholeFile` the reading stops once nothing more needs the bytes;
// `keepReading` cleared, it stops at its next chunk, vouching for nothing.
ModulePass ReadModule(const ModuleFile& file, Sha256* wholeFile, const DigestChooser& chooseDigest,
                      const KeepReadingFlag* keepReading = nullptr);
// The same over the file at `path`, opened sharing reading.
ModulePass ReadModule(const char* path, Sha256* wholeFile, const DigestChooser& chooseDigest);

}  // namespace platform::signature
