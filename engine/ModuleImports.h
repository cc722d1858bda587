// What a module asks the Windows loader for: the DLLs of its import and
// delay-load directories with the functions it takes from each, the exports
// it forwards to other modules, and its embedded manifest. One bounded pass
// over an open file: every RVA is mapped through the section table and every
// read is cut to the file, so a hostile table yields fewer entries (and
// `truncated`), never a read outside the file, a crash or a long loop.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/file/ModuleFile.h"

enum class ImportReadResult {
    Read,        // a PE module; its tables as far as they could be read
    NotAModule,  // no "MZ", no PE header, an NE module, or headers cut short
    Unreadable,  // the file could not be opened or read
    NotFound,    // there is no such file (or folder on its path)
};

// One DLL an import table names, with what is taken from it.
struct ImportedModule {
    std::string name;                     // as the table writes it: "KERNEL32.dll"
    std::vector<std::string> functions;   // imported by name
    std::vector<std::uint16_t> ordinals;  // imported by ordinal
};

// An export whose address is a text "MODULE.Function" or "MODULE.#12"
// inside the export directory: the loader maps MODULE when it is imported.
struct ExportForwarder {
    std::string exportName;     // empty for an export with an ordinal only
    std::uint16_t ordinal = 0;  // the biased ordinal (Base + index)
    std::string target;         // "NTDLL.RtlAllocateHeap", as written
};

struct ModuleImports {
    ImportReadResult result = ImportReadResult::Unreadable;
    std::uint16_t machine = 0;  // IMAGE_FILE_HEADER.Machine
    bool pe32Plus = false;
    bool isDll = false;  // IMAGE_FILE_DLL
    // "Wine builtin DLL" or "Wine placeholder DLL" right after the MS-DOS
    // header: the copy Wine keeps in a prefix for a module it loads from
    // its own folder instead.
    bool wineBuiltin = false;
    std::vector<ImportedModule> imports;       // import directory, in table order
    std::vector<ImportedModule> delayImports;  // delay-load directory, in table order
    std::vector<ExportForwarder> forwarders;   // in export order
    // The RT_MANIFEST resource the loader reads for activation: id 1 for a
    // program, id 2 for a DLL; the first language. Empty when there is none.
    std::string manifest;
    // A table ran past the file or past a limit below, or held a name
    // without its NUL: what was read before that is kept.
    bool truncated = false;
};

// Limits against hostile tables; each well above what real modules hold.
struct ImportReadLimits {
    std::size_t maxModulesPerTable = 16384;
    std::size_t maxFunctionsPerModule = 65536;
    std::size_t maxExports = 65536;
    std::size_t maxNameLength = 4096;
    std::size_t maxManifestSize = 1 << 20;
};

// Reads the tables of the open `file`. Reads go through a few cached blocks,
// so the tables of a module cost a handful of system calls.
ModuleImports ReadModuleImports(const platform::ModuleFile& file, const ImportReadLimits& limits = {});

// The module a forwarder target names, with ".dll" added as the loader adds
// it when the text has no extension ("NTDLL.RtlAllocateHeap" -> "NTDLL.dll");
// empty for a target without a '.'.
std::string ForwardedModuleName(const std::string& target);
