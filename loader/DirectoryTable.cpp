// Listed with FindFirstFileA, the platform's listing (the POSIX stand-in's
// reads the directory once and takes the entry type from it).
#include "loader/DirectoryTable.h"

#include "platform/path_style.h"
#include "platform/win32.h"
#include "support/AsciiCase.h"

namespace loader {

namespace {

bool IsSeparator(char c)
{
    return c == '/' || c == '\\';
}

}  // namespace

std::string UpperAscii(const std::string& text)
{
    std::string upper = text;
    for (char& c : upper) c = support::ToUpperAscii(c);
    return upper;
}

std::string JoinPath(const std::string& directory, const std::string& name)
{
    if (directory.empty()) return name;
    if (IsSeparator(directory.back())) return directory + name;
    return directory + platform::kPathSeparator + name;
}

std::string ParentOf(const std::string& path)
{
    std::size_t end = path.size();
    while (end > 0 && !IsSeparator(path[end - 1])) --end;
    if (end == 0) return std::string();
    // Keep the separator of a root ("/", "C:\").
    if (end == 1 || (end == 3 && path[1] == ':')) return path.substr(0, end);
    return path.substr(0, end - 1);
}

std::string FileNameOf(const std::string& path)
{
    std::size_t start = path.size();
    while (start > 0 && !IsSeparator(path[start - 1])) --start;
    return path.substr(start);
}

const DirectoryTable::Listing& DirectoryTable::ListingOf(const std::string& directory)
{
    auto found = m_listings.find(directory);
    if (found != m_listings.end()) return found->second;
    Listing& listing = m_listings[directory];
    if (directory.empty()) return listing;

    WIN32_FIND_DATAA data;
    const std::string pattern = JoinPath(directory, "*");
    HANDLE find = FindFirstFileA(pattern.c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return listing;
    do {
        const std::string name = data.cFileName;
        if (name == "." || name == "..") continue;
        const bool isDirectory = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        listing.byUpperName.emplace(UpperAscii(name), listing.entries.size());
        listing.entries.push_back({name, isDirectory});
    } while (FindNextFileA(find, &data));
    FindClose(find);
    return listing;
}

std::optional<std::string> DirectoryTable::Find(const std::string& directory, const std::string& name,
                                                bool directoryWanted)
{
    const Listing& listing = ListingOf(directory);
    const auto found = listing.byUpperName.find(UpperAscii(name));
    if (found == listing.byUpperName.end()) return std::nullopt;
    const DirectoryEntry& entry = listing.entries[found->second];
    if (entry.isDirectory != directoryWanted) return std::nullopt;
    return entry.name;
}

std::optional<std::string> DirectoryTable::FindFile(const std::string& directory, const std::string& name)
{
    return Find(directory, name, false);
}

std::optional<std::string> DirectoryTable::FindDirectory(const std::string& directory, const std::string& name)
{
    return Find(directory, name, true);
}

const std::vector<DirectoryEntry>& DirectoryTable::Entries(const std::string& directory)
{
    return ListingOf(directory).entries;
}

}  // namespace loader
