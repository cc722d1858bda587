// The search directories of a run, each listed once, on first use, into a
// table keyed by the ASCII upper-cased name, as Windows matches file names.
// A module name is then looked up in memory: no probe of the file system per
// candidate name, however many names and directories there are.
#pragma once

#include <cstddef>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace loader {

struct DirectoryEntry {
    std::string name;  // as listed
    bool isDirectory = false;
};

class DirectoryTable {
public:
    // The file `name` in `directory`, spelled as listed (the first of names
    // equal but for case, in listing order); none when it is not there or
    // is a directory. Lists `directory` on its first use.
    std::optional<std::string> FindFile(const std::string& directory, const std::string& name);
    // The same for a sub-directory.
    std::optional<std::string> FindDirectory(const std::string& directory, const std::string& name);
    // Every entry of `directory` in listing order; empty when it cannot be listed.
    const std::vector<DirectoryEntry>& Entries(const std::string& directory);

    // How many directories were listed so far (each at most once).
    std::size_t ListingCount() const { return m_listings.size(); }

private:
    struct Listing {
        std::vector<DirectoryEntry> entries;
        std::map<std::string, std::size_t> byUpperName;  // the first entry of each name
    };
    const Listing& ListingOf(const std::string& directory);
    std::optional<std::string> Find(const std::string& directory, const std::string& name, bool directoryWanted);

    std::map<std::string, Listing> m_listings;
};

// `directory` and `name` joined with the platform's separator.
std::string JoinPath(const std::string& directory, const std::string& name);
// The directory part of `path` (without its last separator); empty when none.
std::string ParentOf(const std::string& path);
// The last part of `path`.
std::string FileNameOf(const std::string& path);
// `text` with ASCII letters upper-cased: the key of a name compared as Windows compares them.
std::string UpperAscii(const std::string& text);

}  // namespace loader
