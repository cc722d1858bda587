// The MZ header and the signature it points at decide which format to read.
#include "platform/posix/version/version_resource.h"

#include "support/LittleEndian.h"

#include <algorithm>
#include <cstring>

namespace version_reader {

std::optional<VersionResource> FindVersionResource(const BoundedFile& file, WORD userLanguage)
{
    std::uint8_t dosHeader[64];
    if (!file.Read(0, dosHeader, sizeof dosHeader)) return std::nullopt;
    if (dosHeader[0] != 'M' || dosHeader[1] != 'Z') return std::nullopt;
    // e_lfanew is signed; a negative one points nowhere.
    const auto headerOffset = static_cast<std::int32_t>(support::ReadU32(dosHeader + 60));
    if (headerOffset < 0) return std::nullopt;

    std::uint8_t signature[2];
    if (!file.Read(static_cast<std::uint64_t>(headerOffset), signature, sizeof signature)) return std::nullopt;
    // Windows looks at two letters only; the two NULs after "PE" go unchecked.
    if (signature[0] == 'P' && signature[1] == 'E')
        return FindPeVersionResource(file, static_cast<std::uint64_t>(headerOffset), userLanguage);
    if (signature[0] == 'N' && signature[1] == 'E')
        return FindNeVersionResource(file, static_cast<std::uint64_t>(headerOffset));
    return std::nullopt;
}

std::optional<std::size_t> CopyVersionResource(const BoundedFile& file, const VersionResource& resource,
                                               std::uint8_t* out, std::size_t length)
{
    const std::size_t wanted = std::min<std::size_t>(resource.size, length);
    if (resource.pieces.empty()) {
        const std::size_t copied = std::min<std::size_t>(resource.inFile, wanted);
        if (!file.Read(resource.offset, out, copied)) return std::nullopt;
        if (resource.format == ModuleFormat::Ne) return copied;  // the rest of the buffer stays as it was
        std::memset(out + copied, 0, wanted - copied);
        return wanted;
    }
    std::size_t done = 0;
    for (const ResourcePiece& piece : resource.pieces) {
        const std::size_t fromFile = std::min<std::size_t>(piece.fileBytes, wanted - done);
        if (!file.Read(piece.fileOffset, out + done, fromFile)) return std::nullopt;
        done += fromFile;
        const std::size_t zeros = std::min<std::size_t>(piece.zeroBytes, wanted - done);
        std::memset(out + done, 0, zeros);
        done += zeros;
    }
    std::memset(out + done, 0, wanted - done);
    return wanted;
}

}  // namespace version_reader
