// A module opened for one inspection, its version block read through the
// platform's version functions in the order the platform needs: on Windows
// the version first, as a handle that shares with nobody would keep
// version.dll's own open out; on POSIX the open first, and the stand-in's
// version functions read through it (one open for every read).
#pragma once

#include "platform/file/ModuleFile.h"
#include "platform/version_block/VersionBlock.h"

namespace platform {

struct OpenedModule {
    // Empty when the file has none, when it is no disk file, or when the
    // version was not asked for.
    VersionBlock version;
    // Shared with nobody, as the window's reads of a module open it; not
    // open when another program holds it, or when it is no disk file.
    ModuleFile file;
    // The version functions or the open met a handle that shares with
    // nobody (another program's, or another reader's of this one).
    bool sharingViolation = false;
};

OpenedModule OpenModule(const char* path, bool readVersion = true);

}  // namespace platform
