// The reading half of a file's digest, the same in both builds.
#include <vector>

#include "platform/UniqueHandles.h"
#include "platform/hash/Sha256.h"

namespace platform {

namespace {

// Large enough that a module of tens of megabytes takes few calls.
constexpr DWORD kChunkSize = 256 * 1024;

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

std::optional<std::string> Sha256OfFile(const char* path)
{
    const UniqueFileHandle file(
        CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.IsValid()) return std::nullopt;

    Sha256 hasher;
    std::vector<unsigned char> chunk(kChunkSize);
    for (;;) {
        DWORD got = 0;
        if (!ReadFile(file.Get(), chunk.data(), kChunkSize, &got, nullptr)) return std::nullopt;
        if (got == 0) break;
        if (!hasher.Update(chunk.data(), got)) return std::nullopt;
    }
    const std::optional<Sha256Digest> digest = hasher.Finish();
    if (!digest) return std::nullopt;
    return HexText(*digest);
}

}  // namespace platform
