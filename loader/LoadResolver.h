// The load list of a program: every module the Windows loader would map for
// it, the program first, then its imports breadth first (import directory,
// then delay-load directory, in table order), each name once, with the
// modules that export forwarders of imported functions lead to.
//
// The search for a name, with SafeDllSearchMode on (Microsoft Learn,
// "Dynamic-link library search order", desktop applications):
//   API set schema (api-ms-win-*, ext-ms-*: the host is then searched for),
//   SxS redirection (the importer's manifest, then the program's),
//   a module of that file name already mapped, KnownDLLs, the program's
//   directory, System32 (SysWOW64 for a 32-bit program on 64-bit Windows),
//   Windows\System, the Windows directory, the current directory, PATH.
// With SafeDllSearchMode 0 the current directory comes right after the
// program's. A copy of another machine type, or one that cannot be read, is
// passed over and the search goes on. Not modelled: .local redirection,
// SetDllDirectory / AddDllDirectory and LoadLibraryEx's search flags.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "loader/LoadRow.h"
#include "loader/ModuleSource.h"
#include "loader/TargetSystem.h"

namespace loader {

struct ResolveOptions {
    // --current-dir=DIR: the current directory; none: the program's directory.
    std::optional<std::string> currentDirectory;
};

// The rows for `program` (a path to an .exe or .dll) on `target`, its
// modules read through `modules` (each path once; a second program of the
// same run reads nothing twice). The first row is the program: when it is not
// there or cannot be read, it is the only row and says `missing` or `unreadable`.
std::vector<LoadRow> ResolveLoadList(const std::string& program, TargetSystem& target, ModuleSource& modules,
                                     const ResolveOptions& options = {});

}  // namespace loader
