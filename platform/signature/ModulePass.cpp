#include "platform/signature/ModulePass.h"

#include <algorithm>
#include <cstring>
#include <optional>

#include "platform/UniqueHandles.h"
#include "platform/hash/Sha256.h"

namespace platform::signature {

namespace {

// As the file hash reads: few calls for a module of tens of megabytes.
constexpr DWORD kChunkSize = 256 * 1024;

class ModuleFile {
public:
    explicit ModuleFile(const char* path)
        : m_file(CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                             nullptr))
    {
        LARGE_INTEGER size;
        if (m_file.IsValid() && GetFileSizeEx(m_file.Get(), &size) && size.QuadPart >= 0)
            m_size = static_cast<std::uint64_t>(size.QuadPart);
        else
            m_file.Reset();
    }

    bool IsOpen() const { return m_file.IsValid(); }
    std::uint64_t Size() const { return m_size; }

    // The next chunk in order; empty at the end; none on failure.
    bool ReadNext(std::vector<std::uint8_t>& chunk)
    {
        chunk.resize(kChunkSize);
        DWORD got = 0;
        if (!ReadFile(m_file.Get(), chunk.data(), kChunkSize, &got, nullptr)) return false;
        chunk.resize(got);
        m_position += got;
        return true;
    }

    // Exactly `size` bytes at `offset`, then back to where the chunks were.
    bool ReadAt(std::uint64_t offset, std::uint8_t* buffer, std::size_t size)
    {
        if (!Seek(offset)) return false;
        std::size_t done = 0;
        while (done < size) {
            const DWORD want = static_cast<DWORD>(std::min<std::size_t>(size - done, kChunkSize));
            DWORD got = 0;
            if (!ReadFile(m_file.Get(), buffer + done, want, &got, nullptr) || got == 0) return false;
            done += got;
        }
        return Seek(m_position);
    }

private:
    bool Seek(std::uint64_t offset)
    {
        LARGE_INTEGER position;
        position.QuadPart = static_cast<LONGLONG>(offset);
        return SetFilePointerEx(m_file.Get(), position, nullptr, FILE_BEGIN) != FALSE;
    }

    UniqueFileHandle m_file;
    std::uint64_t m_size = 0;
    std::uint64_t m_position = 0;
};

// The table's bytes, from the first chunk when it holds them.
bool ReadTable(ModuleFile& file, const std::vector<std::uint8_t>& head, const CertificateTableLayout& layout,
               std::vector<std::uint8_t>& table)
{
    table.resize(layout.tableSize);
    if (layout.tableOffset + layout.tableSize <= head.size()) {
        std::memcpy(table.data(), head.data() + layout.tableOffset, layout.tableSize);
        return true;
    }
    return file.ReadAt(layout.tableOffset, table.data(), table.size());
}

}  // namespace

ModulePass ReadModule(const char* path, Sha256* wholeFile, const DigestChooser& chooseDigest)
{
    ModulePass pass;
    ModuleFile file(path);
    if (!file.IsOpen()) return pass;
    pass.opened = true;

    // Headers that lie past the first chunk count as no PE image: the
    // loader's own headers sit within the first page or few.
    std::vector<std::uint8_t> head;
    if (!file.ReadNext(head)) {
        pass.failed = true;
        return pass;
    }
    bool hashFailed = false;
    const auto hashWhole = [&](const std::vector<std::uint8_t>& bytes) {
        if (wholeFile && !wholeFile->Update(bytes.data(), bytes.size())) {
            wholeFile = nullptr;
            hashFailed = true;
        }
    };
    hashWhole(head);

    std::optional<AuthenticodeStream> digest;
    pass.location = LocateCertificateTable(head.data(), head.size(), file.Size());
    if (pass.location.state == TableState::Present) {
        std::vector<std::uint8_t> table;
        if (!ReadTable(file, head, pass.location.layout, table)) {
            pass.failed = true;
            return pass;
        }
        const SignedDataEntry entry = FindSignedDataEntry(table.data(), table.size());
        pass.entry = entry.state;
        if (entry.state == EntryState::Found) {
            pass.signedData.assign(table.begin() + static_cast<std::ptrdiff_t>(entry.offset),
                                   table.begin() + static_cast<std::ptrdiff_t>(entry.offset + entry.size));
            AuthenticodeStream::Sink sink = chooseDigest ? chooseDigest(pass.signedData) : nullptr;
            if (sink) digest.emplace(pass.location.layout, std::move(sink));
        }
    }
    if (digest && !digest->Feed(head.data(), head.size())) digest.reset();

    std::vector<std::uint8_t> chunk = std::move(head);
    while (!chunk.empty()) {
        if (!wholeFile && !digest) return pass;
        if (!file.ReadNext(chunk)) {
            pass.failed = true;
            return pass;
        }
        hashWhole(chunk);
        if (digest && !digest->Feed(chunk.data(), chunk.size())) digest.reset();
    }
    pass.readWhole = true;
    pass.wholeFileFed = !hashFailed;
    pass.digested = digest.has_value();
    return pass;
}

}  // namespace platform::signature
