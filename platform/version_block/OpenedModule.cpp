#include "platform/version_block/OpenedModule.h"

#ifndef _WIN32
#include "platform/file/ModuleFileBody_posix.h"
#include "platform/posix/version/shared_module_open.h"
#endif

namespace platform {

namespace {

VersionBlock ReadVersion(const char* path, bool& sharingViolation)
{
    SetLastError(ERROR_SUCCESS);
    VersionBlock version = VersionBlock::Read(LinkedVersionFunctions(), path);
    if (version.IsEmpty() && GetLastError() == ERROR_SHARING_VIOLATION) sharingViolation = true;
    return version;
}

}  // namespace

OpenedModule OpenModule(const char* path, bool readVersion)
{
    OpenedModule module;
#ifdef _WIN32
    // A device named like a module is never handed to version.dll, which
    // would open it and wait on it.
    if (NamesADosDevice(path)) return module;
    if (readVersion) module.version = ReadVersion(path, module.sharingViolation);
    module.file = ModuleFile(path, FileSharing::Nobody);
    if (module.file.NotADiskFile()) module.version = VersionBlock();
#else
    module.file = ModuleFile(path, FileSharing::Nobody);
    if (!readVersion) {
        // Nothing to read through the open.
    } else if (!module.file.IsOpen()) {
        // Held by another program, or missing: the version functions open
        // the file for themselves and meet what separate opens would.
        module.version = ReadVersion(path, module.sharingViolation);
    } else {
        const posix::SharedModuleOpen throughTheOpen(path, module.file.GetBody()->file);
        module.version = ReadVersion(path, module.sharingViolation);
    }
#endif
    if (module.file.OpenError() == ERROR_SHARING_VIOLATION) module.sharingViolation = true;
    return module;
}

}  // namespace platform
