// CScanEngine's walker: ScanDirectory and the name filter it applies.
#include <cstring>

#include "engine/NameFilter.h"
#include "engine/ScanEngine.h"
#include "platform/DirectoryIdentity.h"
#include "platform/ListingInterest.h"
#include "platform/UniqueHandles.h"
#include "platform/path_style.h"
#include "support/AsciiCase.h"
#include "platform/win32.h"

namespace {

CString JoinPath(const char* directory, const char* name)
{
    CString path(directory);
    path += platform::kPathSeparator;
    path += name;
    return path;
}

// The name to open a listed file by. A long name that the narrow code page
// cannot spell comes with '?' for what it lost, a character no Windows file
// name holds, and names no file; the short name the same listing gives does.
const char* NameToRead(const WIN32_FIND_DATAA& entry)
{
    if (std::strchr(entry.cFileName, '?') && entry.cAlternateFileName[0]) return entry.cAlternateFileName;
    return entry.cFileName;
}

}  // namespace

bool CScanEngine::HasWantedExtension(const char* name) const
{
    const int count = m_moduleExtensions.GetSize();
    if (count == 0) return HasModuleExtension(name);
    const char* extension = ExtensionOf(name);
    for (int i = 0; i < count; ++i) {
        if (support::EqualsIgnoringAsciiCase(extension, m_moduleExtensions[i].GetString())) return true;
    }
    return false;
}

bool CScanEngine::WantsFile(const char* name) const
{
    const int filterCount = m_filters.GetSize();
    for (int i = 0; i < filterCount; ++i) {
        const CString& filter = m_filters[i];
        if ((filter.IsEmpty() || CompareNamesNoCase(name, filter) == 0) && HasWantedExtension(name)) return true;
    }
    return false;
}

bool CScanEngine::LeadsBackIntoTheWalk(const char* subdirectory)
{
    const std::optional<platform::DirectoryIdentity> identity = platform::IdentityOfDirectory(subdirectory);
    if (!identity) return false;
    for (WalkLevel& level : m_walkPath) {
        if (!level.identityKnown) {
            level.identity = platform::IdentityOfDirectory(level.directory);
            level.identityKnown = true;
        }
        if (level.identity == identity) return true;
    }
    return false;
}

int CScanEngine::ScanDirectory(const char* directory)
{
    // A file the filters refuse is passed over below: the listing need not
    // look at it.
    const platform::ListingInterest interest(
        [](const char* name, const void* engine) { return static_cast<const CScanEngine*>(engine)->WantsFile(name); },
        this);
    WIN32_FIND_DATAA entry;
    // The pattern lives only while the listing opens: each level of a deep
    // walk would otherwise hold a copy of its whole path.
    const platform::UniqueFindHandle listing(FindFirstFileA(JoinPath(directory, "*.*"), &entry));
    if (!listing.IsValid()) {
        if (m_problemSink) m_problemSink->DirectoryNotListed(directory, GetLastError());
        return m_keepScanning;
    }

    // The directories of the path being walked, for the links met below.
    m_walkPath.push_back(WalkLevel{directory, std::nullopt, false});
    do {
        if (!m_keepScanning) break;
        const char* name = entry.cFileName;
        if (std::strcmp(name, "..") == 0 || std::strcmp(name, ".") == 0) continue;

        if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            // Every subdirectory is shown as progress, also when not entered.
            const CString subdirectory = JoinPath(directory, name);
            SetProgressDirectory(subdirectory);
            // A junction or directory link back into the path being walked
            // (a link to "." or to a parent) would be walked without end.
            const bool loops = platform::IsDirectoryLink(entry.dwFileAttributes) && LeadsBackIntoTheWalk(subdirectory);
            if (m_scanSubdirectories && !loops) ScanDirectory(subdirectory);
            continue;
        }

        // A name that matches k entries is inspected k times.
        const int filterCount = m_filters.GetSize();
        for (int i = 0; i < filterCount; ++i) {
            const CString& filter = m_filters[i];
            if (!filter.IsEmpty() && CompareNamesNoCase(name, filter) != 0) continue;
            if (!HasWantedExtension(name)) continue;
            InspectFile(directory, name, NameToRead(entry));
        }
    } while (FindNextFileA(listing.Get(), &entry));
    m_walkPath.pop_back();

    return m_keepScanning;
}
