// One row of a load list: a module the Windows loader would map for a
// program, how it is named, who asks for it, which rule found which copy,
// and the copies that lose. The texts are those of the scanner's fields.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace loader {

enum class LoadKind {
    Program,    // the program itself, the first row
    Static,     // named by an import directory
    Delay,      // named by a delay-load directory
    Forwarder,  // named by an export forwarder of a function that is imported
};

// The rule of the search order that chose the copy.
enum class FoundBy {
    ApiSet,    // an api-ms-win-* or ext-ms-* contract, through the API set schema; the row's copy is its host
    KnownDll,  // the KnownDLLs list (or a KnownDLL's own import present in the KnownDLLs directory)
    Sxs,       // a side-by-side assembly named by a manifest
    Loaded,    // a module of that file name is already mapped
    AppDir,    // the program's directory
    System,    // System32, or SysWOW64 for a 32-bit program on 64-bit Windows
    System16,  // the 16-bit system directory, Windows\System
    Windows,   // the Windows directory
    Current,   // the current directory
    Path,      // a directory of PATH
    Missing,   // no copy that fits
    Given,     // the program, named by its path
};

enum class Problem {
    None,
    Missing,        // no copy of that name along the search order (an API set contract without a host too)
    WrongMachine,   // only copies of another machine type
    Unreadable,     // copies that could not be opened or read, and none that fits
    SxsUnresolved,  // the module's manifest names an assembly that WinSxS does not hold; the search went on
};

// Why a copy along the search order lost.
enum class PassedOver {
    Later,         // an earlier copy was chosen
    WrongMachine,  // its machine type does not fit the program
    Unreadable,    // it could not be opened or read as a module
};

struct ShadowedCopy {
    std::string path;
    FoundBy where = FoundBy::Missing;  // the rule whose directory holds it
    PassedOver why = PassedOver::Later;
};

struct LoadRow {
    std::string program;     // the file name of the program the list is for
    std::string importName;  // as the importer's table writes it; the program's file name for the first row
    std::string importedBy;  // the file name of the first module (in load order) that names it; empty for the program
    unsigned depth = 0;      // 0 for the program, 1 for its imports, ... (the shortest chain)
    int importer = -1;       // the index of that module's row in the list; -1 for the program
    LoadKind loadKind = LoadKind::Static;
    FoundBy foundBy = FoundBy::Missing;
    std::string fileName;                // the chosen copy's path; empty when none
    std::uint16_t machine = 0;           // the chosen copy's IMAGE_FILE_HEADER.Machine; 0 when none
    std::string apiSetHost;              // for an API set row: the host module the schema names (empty: no host)
    std::vector<ShadowedCopy> shadowed;  // every other copy of the name along the search order, in that order
    Problem problem = Problem::None;
    std::vector<std::string> unresolvedAssemblies;  // for SxsUnresolved: "name version arch token"
    bool builtin = false;  // the chosen copy is a Wine placeholder of a module Wine provides itself
};

// The field texts: "program", "static", "delay", "forwarder".
const char* LoadKindText(LoadKind kind);
// "apiset", "knowndll", "sxs", "loaded", "appdir", "system", "system16",
// "windows", "current", "path", "missing"; "given" for the program named by path.
const char* FoundByText(FoundBy rule);
// "", "missing", "wrong-machine", "unreadable", "sxs-unresolved".
const char* ProblemText(Problem problem);
// "later", "wrong-machine", "unreadable".
const char* PassedOverText(PassedOver why);

// Whether the row makes the list fail (exit status 1): missing, a wrong
// machine type, unreadable. An unresolved assembly alone does not, as the
// loader goes on with the search order.
bool IsFailure(Problem problem);

}  // namespace loader
