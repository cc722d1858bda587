// GetFileVersionInfoSizeA and GetFileVersionInfoA over a module file.
#include "platform/posix/version/bounded_file.h"
#include "platform/posix/version/little_endian.h"
#include "platform/posix/version/user_language.h"
#include "platform/posix/version/version_block.h"
#include "platform/posix/version/version_errors.h"
#include "platform/posix/version/version_resource.h"
#include "platform/posix/win32_api.h"

#include <algorithm>
#include <cstring>

namespace {

using version_reader::BoundedFile;
using version_reader::ModuleFormat;
using version_reader::VersionResource;

// The checks Windows makes on the name before it opens anything.
bool IsUsableFileName(LPCSTR fileName)
{
    if (!fileName) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    if (!*fileName) {
        SetLastError(version_reader::kErrorBadPathname);
        return false;
    }
    return true;
}

// The version resource of an opened file; on failure sets the last error.
std::optional<VersionResource> LocateVersionResource(const BoundedFile& file)
{
    if (!file.IsOpen()) {
        SetLastError(file.OpenError());
        return std::nullopt;
    }
    auto resource = version_reader::FindVersionResource(file, version_reader::UserLanguage());
    if (!resource) SetLastError(ERROR_RESOURCE_DATA_NOT_FOUND);
    return resource;
}

// Windows sizes the buffer for the conversions of the other character width:
// a 32-bit block twice over plus "FE2X", a 16-bit one as
// (size - VS_FIXEDFILEINFO) * 4.
DWORD BufferSizeFor(const VersionResource& resource)
{
    if (resource.format == ModuleFormat::Pe) return resource.size * 2 + 4;
    return (resource.size - version_reader::kMinimumNeVersionSize) * 4;
}

// Completes the copy as Windows does, marking the end of a 32-bit block with
// "FE2X" when that fits. VerQueryValueA then trusts the root's wLength: it
// walks up to it and writes converted texts into the wLength bytes after
// it. So wLength is cut to what was copied and, for 32-bit blocks, to what
// leaves room for that second half; it is stored last because "FE2X" lands
// on it when it is tiny.
void FinishCopy(std::uint8_t* data, std::size_t copied, DWORD bufferLength, ModuleFormat format)
{
    if (copied < 2) return;
    const std::size_t rootLength = version_reader::ReadU16(data);
    const bool narrow =
        copied >= 5 && version_reader::VersionBlock(data).Format() == version_reader::BlockFormat::Narrow;
    std::size_t limit = copied;
    if (!narrow) limit = std::min<std::size_t>(limit, bufferLength < 4 ? 0 : (bufferLength - 4) / 2);

    if (format == ModuleFormat::Pe && bufferLength >= rootLength + 4)
        std::memcpy(data + rootLength, "FE2X", 4);
    version_reader::WriteU16(data, static_cast<std::uint16_t>(std::min(rootLength, limit)));
}

}  // namespace

DWORD GetFileVersionInfoSizeA(LPCSTR fileName, LPDWORD handle)
{
    if (handle) *handle = 0;
    if (!IsUsableFileName(fileName)) return 0;
    const BoundedFile file(fileName);
    const auto resource = LocateVersionResource(file);
    if (!resource) return 0;
    SetLastError(ERROR_SUCCESS);
    return BufferSizeFor(*resource);
}

BOOL GetFileVersionInfoA(LPCSTR fileName, DWORD /*handle*/, DWORD length, LPVOID data)
{
    if (!data) {
        SetLastError(version_reader::kErrorInvalidData);
        return FALSE;
    }
    if (!IsUsableFileName(fileName)) return FALSE;
    const BoundedFile file(fileName);
    const auto resource = LocateVersionResource(file);
    if (!resource) return FALSE;

    auto* bytes = static_cast<std::uint8_t*>(data);
    const std::size_t copied = std::min<std::size_t>(resource->size, length);
    if (!file.Read(resource->offset, bytes, copied)) {
        SetLastError(ERROR_RESOURCE_DATA_NOT_FOUND);
        return FALSE;
    }
    FinishCopy(bytes, copied, length, resource->format);
    SetLastError(ERROR_SUCCESS);
    return TRUE;
}
