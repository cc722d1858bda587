// What a ModuleFile holds on Windows: the file's handle.
#pragma once

#include "platform/UniqueHandles.h"
#include "platform/file/ModuleFile.h"

namespace platform {

struct ModuleFile::Body {
    UniqueFileHandle handle;
};

}  // namespace platform
