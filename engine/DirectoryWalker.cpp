#include <cstring>

#include "engine/NameFilter.h"
#include "engine/ScanEngine.h"
#include "platform/path_style.h"
#include "platform/win32.h"

namespace {

// Closes the listing on every way out.
class FindListing {
public:
    FindListing(const char* pattern, WIN32_FIND_DATAA& entry) : m_handle(FindFirstFileA(pattern, &entry)) {}
    ~FindListing()
    {
        if (IsOpen()) FindClose(m_handle);
    }
    FindListing(const FindListing&) = delete;
    FindListing& operator=(const FindListing&) = delete;

    bool IsOpen() const { return m_handle != INVALID_HANDLE_VALUE; }
    bool Next(WIN32_FIND_DATAA& entry) { return FindNextFileA(m_handle, &entry) != 0; }

private:
    HANDLE m_handle;
};

CString JoinPath(const char* directory, const char* name)
{
    CString path(directory);
    path += platform::kPathSeparator;
    path += name;
    return path;
}

}  // namespace

int CScanEngine::ScanDirectory(const char* directory)
{
    WIN32_FIND_DATAA entry;
    // The pattern lives only while the listing opens: each level of a deep
    // walk would otherwise hold a copy of its whole path.
    FindListing listing(JoinPath(directory, "*.*"), entry);
    if (!listing.IsOpen()) return m_keepScanning;

    do {
        if (!m_keepScanning) break;
        const char* name = entry.cFileName;
        if (std::strcmp(name, "..") == 0 || std::strcmp(name, ".") == 0) continue;

        if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            // Every subdirectory is shown as progress, also when not entered.
            const CString subdirectory = JoinPath(directory, name);
            SetProgressDirectory(subdirectory);
            if (m_scanSubdirectories) ScanDirectory(subdirectory);
            continue;
        }

        // A name that matches k entries is inspected k times.
        const int filterCount = m_filters.GetSize();
        for (int i = 0; i < filterCount; ++i) {
            const CString& filter = m_filters[i];
            if (!filter.IsEmpty() && CompareNamesNoCase(name, filter) != 0) continue;
            if (!HasModuleExtension(name)) continue;
            InspectFile(directory, name);
        }
    } while (listing.Next(entry));

    return m_keepScanning;
}
