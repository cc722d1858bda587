// One reading of a module for one row: one open, one bounded read of its
// head, the version block copied once and kept, and from these the window's
// columns, the header facts and, when asked, one pass over the file for its
// hash and its signature. The walk, the console's fields and the load lists
// all read a module through it; the window asks for the columns alone, so
// its scan costs what it always did.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "engine/ModuleHeader.h"
#include "engine/ModuleImports.h"
#include "engine/VersionResource.h"
#include "framework/CString.h"
#include "platform/file/ModuleFile.h"
#include "platform/signature/ModuleSignature.h"
#include "platform/version_block/VersionBlock.h"

// What to read beyond the window's columns.
struct InspectionRequest {
    bool versionBlock = false;  // keep the block for the version strings and numbers
    bool header = false;        // machine, subsystem, managed, link time
    bool fileStatus = false;    // size and last write
    bool sha256 = false;
    bool imports = false;  // the import, delay-load and export tables, and the manifest
    // Set: the signature is checked with it (and the hash taken in the same pass).
    const platform::SignatureChecker* signatures = nullptr;
    // Set: a pass over the whole file ends at its next block once it is
    // cleared, leaving the hash and the signature unread.
    const platform::KeepReadingFlag* keepReading = nullptr;

    bool BeyondColumns() const { return versionBlock || header || fileStatus || sha256 || imports || signatures; }
};

struct ModuleFacts {
    // The window's columns, read as the window reads them.
    ModuleVersionInfo version;
    CString date;  // empty when the file cannot be opened unshared
    int bits = 0;

    // Beyond them, as asked; none where it cannot be read.
    platform::VersionBlock versionBlock;
    std::optional<ModuleHeader> header;
    std::optional<std::uint64_t> size;
    std::optional<FILETIME> lastWrite;
    std::optional<std::string> sha256;
    std::optional<platform::ModuleSignature> signature;
    std::optional<ModuleImports> imports;

    // A handle that shares with nobody kept a read out: another program's,
    // or another reader's of this one, which may be gone a moment later.
    bool metSharingViolation = false;
};

ModuleFacts InspectModule(const char* path, const InspectionRequest& request = {});
