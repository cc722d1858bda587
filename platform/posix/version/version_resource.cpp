// The MZ header and the signature it points at decide which format to read.
#include "platform/posix/version/version_resource.h"

#include "support/LittleEndian.h"

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
    if (!file.Read(static_cast<std::uint64_t>(headerOffset), signature, sizeof signature))
        return std::nullopt;
    // Windows looks at two letters only; the two NULs after "PE" go unchecked.
    if (signature[0] == 'P' && signature[1] == 'E')
        return FindPeVersionResource(file, static_cast<std::uint64_t>(headerOffset), userLanguage);
    if (signature[0] == 'N' && signature[1] == 'E')
        return FindNeVersionResource(file, static_cast<std::uint64_t>(headerOffset));
    return std::nullopt;
}

}  // namespace version_reader
