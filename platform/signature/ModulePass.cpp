#include "platform/signature/ModulePass.h"

#include <algorithm>
#include <cstring>
#include <optional>

#include "platform/file/ModuleFile.h"
#include "platform/hash/Sha256.h"

namespace platform::signature {

namespace {

// As the file hash reads: few calls for a module of tens of megabytes.
constexpr std::size_t kChunkSize = 256 * 1024;

// Exactly the chunk at `offset` of the file as opened, or false.
bool ReadChunk(const ModuleFile& file, std::uint64_t offset, std::vector<std::uint8_t>& chunk, ModulePass& pass)
{
    chunk.resize(static_cast<std::size_t>(std::min<std::uint64_t>(kChunkSize, file.Size() - offset)));
    if (!file.ReadExactly(offset, chunk.data(), chunk.size())) return false;
    pass.bytesRead += chunk.size();
    return true;
}

// The table's bytes, from the first chunk when it holds them.
bool ReadTable(const ModuleFile& file, const std::vector<std::uint8_t>& head, const CertificateTableLayout& layout,
               std::vector<std::uint8_t>& table, ModulePass& pass)
{
    table.resize(layout.tableSize);
    if (layout.tableOffset + layout.tableSize <= head.size()) {
        std::memcpy(table.data(), head.data() + layout.tableOffset, layout.tableSize);
        return true;
    }
    if (!file.ReadExactly(layout.tableOffset, table.data(), table.size())) return false;
    pass.bytesRead += table.size();
    return true;
}

// The digest, when the table holds a signature to check.
std::optional<AuthenticodeStream> StartDigest(const ModuleFile& file, const std::vector<std::uint8_t>& head,
                                              const DigestChooser& chooseDigest, ModulePass& pass)
{
    std::vector<std::uint8_t> table;
    if (!ReadTable(file, head, pass.location.layout, table, pass)) {
        pass.failed = true;
        return std::nullopt;
    }
    const SignedDataEntry entry = FindSignedDataEntry(table.data(), table.size());
    pass.entry = entry.state;
    if (entry.state != EntryState::Found) return std::nullopt;
    pass.signedData.assign(table.begin() + static_cast<std::ptrdiff_t>(entry.offset),
                           table.begin() + static_cast<std::ptrdiff_t>(entry.offset + entry.size));
    AuthenticodeStream::Sink sink = chooseDigest ? chooseDigest(pass.signedData) : nullptr;
    if (!sink) return std::nullopt;
    return AuthenticodeStream(pass.location.layout.digested, std::move(sink));
}

void ReadBody(const ModuleFile& file, std::vector<std::uint8_t>& chunk, Sha256*& wholeFile,
              std::optional<AuthenticodeStream>& digest, const KeepReadingFlag* keepReading, ModulePass& pass)
{
    bool hashFailed = false;
    const auto take = [&](const std::vector<std::uint8_t>& bytes) {
        if (wholeFile && !wholeFile->Update(bytes.data(), bytes.size())) {
            wholeFile = nullptr;
            hashFailed = true;
        }
        if (digest && !digest->Feed(bytes.data(), bytes.size())) digest.reset();
    };
    take(chunk);
    std::uint64_t position = chunk.size();
    while (position < file.Size()) {
        // Past the digest's last byte only the whole-file hash needs more.
        if (!wholeFile && (!digest || digest->Complete())) break;
        // A stop ends a long read at its next chunk; nothing is vouched for.
        if ((keepReading && !*keepReading) || !ReadChunk(file, position, chunk, pass)) {
            pass.failed = true;
            return;
        }
        take(chunk);
        position += chunk.size();
    }
    pass.readWhole = position == file.Size();
    pass.wholeFileFed = pass.readWhole && !hashFailed;
    pass.digested = digest && digest->Complete();
}

}  // namespace

ModulePass ReadModule(const char* path, Sha256* wholeFile, const DigestChooser& chooseDigest)
{
    return ReadModule(ModuleFile(path, FileSharing::Readers), wholeFile, chooseDigest);
}

ModulePass ReadModule(const ModuleFile& file, Sha256* wholeFile, const DigestChooser& chooseDigest,
                      const KeepReadingFlag* keepReading)
{
    ModulePass pass;
    if (!file.IsOpen()) return pass;
    pass.opened = true;

    // Headers that lie past the first chunk count as no PE image: the
    // loader's own headers sit within the first page or few.
    std::vector<std::uint8_t> chunk;
    if (!ReadChunk(file, 0, chunk, pass)) {
        pass.failed = true;
        return pass;
    }
    std::optional<AuthenticodeStream> digest;
    pass.location = LocateCertificateTable(chunk.data(), chunk.size(), file.Size());
    if (pass.location.state == TableState::Present) digest = StartDigest(file, chunk, chooseDigest, pass);
    if (!pass.failed) ReadBody(file, chunk, wholeFile, digest, keepReading, pass);
    // Bytes from before and after a change are no one state of the file.
    pass.changed = !file.Unchanged();
    return pass;
}

}  // namespace platform::signature
