// GetFileVersionInfoSizeA and GetFileVersionInfoA over a module file.
#include "platform/posix/version/bounded_file.h"
#include "platform/posix/version/shared_module_open.h"
#include "support/LittleEndian.h"
#include "platform/posix/version/user_language.h"
#include "platform/posix/version/version_copy.h"
#include "platform/posix/version/block_nodes.h"
#include "platform/posix/version/version_errors.h"
#include "platform/posix/version/version_resource.h"
#include "platform/posix/win32_api.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

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
std::optional<VersionResource> LocateVersionResource(const BoundedFile& file, WORD userLanguage)
{
    if (!file.IsOpen()) {
        SetLastError(file.OpenError());
        return std::nullopt;
    }
    auto resource = version_reader::FindVersionResource(file, userLanguage);
    if (!resource) SetLastError(ERROR_RESOURCE_DATA_NOT_FOUND);
    return resource;
}

// A caller asks for the size and then for the copy of the same file: what
// the first call found (and a small resource's bytes, read with the
// headers) serves the second while the file is as it was. The second call
// still opens the file, so that it fails as Windows' would when the file
// went away or was locked in between.
constexpr std::uint32_t kLargestKeptResource = 4096;

struct LocatedResource {
    std::string path;
    version_reader::FileIdentity identity;
    WORD userLanguage;
    VersionResource resource;
    std::vector<std::uint8_t> bytes;  // the whole resource, or empty
};
thread_local std::optional<LocatedResource> t_lastLocated;

void KeepLocated(LPCSTR fileName, const BoundedFile& file, WORD userLanguage, const VersionResource& resource)
{
    LocatedResource located{fileName, file.Identity(), userLanguage, resource, {}};
    // Only what the file holds in one piece is kept: a PE resource that
    // ends in an image's zeros is copied afresh.
    const bool onePiece =
        resource.pieces.empty() && (resource.format == ModuleFormat::Ne || resource.inFile == resource.size);
    if (onePiece && resource.inFile <= kLargestKeptResource) {
        located.bytes.resize(resource.inFile);
        if (!file.Read(resource.offset, located.bytes.data(), resource.inFile)) located.bytes.clear();
    }
    t_lastLocated = std::move(located);
}

// What the size call found on this very file, taken (it serves once).
std::optional<LocatedResource> TakeLocated(LPCSTR fileName, const BoundedFile& file)
{
    std::optional<LocatedResource> last;
    last.swap(t_lastLocated);
    if (!file.IsOpen() || !last || last->path != fileName || !(last->identity == file.Identity()) ||
        last->userLanguage != version_reader::UserLanguage()) {
        return std::nullopt;
    }
    return last;
}

// The file as a call opens it: the open of the running inspection of this
// path, else an open of its own.
std::shared_ptr<const BoundedFile> OpenForCall(LPCSTR fileName)
{
    if (auto inspected = posix::SharedOpenOf(fileName)) return inspected;
    return std::make_shared<const BoundedFile>(fileName);
}

// Windows sizes the buffer for the conversions of the other character width:
// a 32-bit block twice over plus "FE2X", a 16-bit one as
// (size - VS_FIXEDFILEINFO) * 4.
DWORD BufferSizeFor(const VersionResource& resource)
{
    if (resource.format == ModuleFormat::Pe) return resource.size * 2 + 4;
    return (resource.size - version_reader::kMinimumNeVersionSize) * 4;
}

}  // namespace

DWORD GetFileVersionInfoSizeA(LPCSTR fileName, LPDWORD handle)
{
    if (handle) *handle = 0;
    if (!IsUsableFileName(fileName)) return 0;
    const std::shared_ptr<const BoundedFile> opened = OpenForCall(fileName);
    const BoundedFile& file = *opened;
    t_lastLocated.reset();
    const WORD userLanguage = version_reader::UserLanguage();
    const auto resource = LocateVersionResource(file, userLanguage);
    if (!resource) return 0;
    KeepLocated(fileName, file, userLanguage, *resource);
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
    const std::shared_ptr<const BoundedFile> opened = OpenForCall(fileName);
    const BoundedFile& file = *opened;
    const auto located = TakeLocated(fileName, file);
    const auto resource = located ? std::optional<VersionResource>(located->resource)
                                  : LocateVersionResource(file, version_reader::UserLanguage());
    if (!resource) return FALSE;

    auto* bytes = static_cast<std::uint8_t*>(data);
    std::optional<std::size_t> held;
    if (located && !located->bytes.empty()) {
        held = std::min<std::size_t>(located->bytes.size(), length);
        std::memcpy(bytes, located->bytes.data(), *held);
    } else {
        held = version_reader::CopyVersionResource(file, *resource, bytes, length);
    }
    if (!held) {
        SetLastError(ERROR_RESOURCE_DATA_NOT_FOUND);
        return FALSE;
    }
    version_reader::FinishCopy(bytes, *held, length, resource->format);
    SetLastError(ERROR_SUCCESS);
    return TRUE;
}
