// What the hostile-tree suites share: real modules from the fixture folder,
// the rows they should give, and trees that std::filesystem cannot handle
// (deeper than PATH_MAX).
#pragma once

#include <string>
#include <vector>

#include "RowReaders.h"

using Bytes = std::vector<unsigned char>;

// A real module of the fixture folder and the cells of its row.
struct KnownModule {
    const char* fixture;
    const char* version;  // product and file version text (the same here)
    const char* bits;
    const char* company;
};
extern const KnownModule kModule32;
extern const KnownModule kModule64;

// The cells of a row whose file cannot be read.
extern const char* const kNoVersion;

Bytes FixtureBytes(const KnownModule& module);

// Whether a tsv/csv row (six cells: product, file, date, bits, company,
// name) is `module`'s, or that of a file that could not be read.
bool IsRowOf(const Cells& row, const KnownModule& module);
bool IsUnreadableRow(const Cells& row);
// A readable file that is no module (say, an empty one): a date, nothing else.
bool IsRowOfANonModule(const Cells& row);

// Builds `depth` nested directories named `name` below `root` with openat,
// so that no path is ever passed whole, and puts `module` into every
// `every`th level (1, every+1, ...). Returns the paths of the modules put
// there, shallowest first.
std::vector<std::string> BuildDeepTree(const std::string& root, const std::string& name, int depth, int every,
                                       const Bytes& module);
// Removes everything below and including `path`, however deep, whatever
// the modes inside.
void RemoveTree(const std::string& path);
