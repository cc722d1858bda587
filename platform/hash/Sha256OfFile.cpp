// The reading half of a file's digest, the same in both builds.
#include <algorithm>
#include <vector>

#include "platform/hash/Sha256.h"

namespace platform {

namespace {

// Large enough that a module of tens of megabytes takes few calls.
constexpr std::size_t kChunkSize = 256 * 1024;

}  // namespace

std::string HexText(const Sha256Digest& digest)
{
    static const char kDigits[] = "0123456789abcdef";
    std::string text;
    text.reserve(digest.size() * 2);
    for (const std::uint8_t byte : digest) {
        text += kDigits[byte >> 4];
        text += kDigits[byte & 0x0F];
    }
    return text;
}

std::optional<std::string> Sha256OfFile(const ModuleFile& file, const KeepReadingFlag* keepReading)
{
    if (!file.IsOpen()) return std::nullopt;
    Sha256 hasher;
    std::vector<unsigned char> chunk(kChunkSize);
    // Up to the size seen at the open: a file that grows while it is read
    // ends where it stood, and one that changed meanwhile has no digest.
    for (std::uint64_t at = 0; at < file.Size();) {
        if (keepReading && !*keepReading) return std::nullopt;
        const std::size_t wanted = static_cast<std::size_t>(std::min<std::uint64_t>(kChunkSize, file.Size() - at));
        const std::optional<std::size_t> got = file.ReadAt(at, chunk.data(), wanted);
        if (!got || *got != wanted || !hasher.Update(chunk.data(), *got)) return std::nullopt;
        at += *got;
    }
    const std::optional<Sha256Digest> digest = hasher.Finish();
    if (!digest || !file.Unchanged()) return std::nullopt;
    return HexText(*digest);
}

std::optional<std::string> Sha256OfFile(const char* path)
{
    return Sha256OfFile(ModuleFile(path, FileSharing::Readers));
}

}  // namespace platform
