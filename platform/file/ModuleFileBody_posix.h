// What a ModuleFile holds on POSIX: the stand-in's bounded file, shared so
// that the version functions can read through the same open.
#pragma once

#include <memory>

#include "platform/file/ModuleFile.h"
#include "platform/posix/version/bounded_file.h"

namespace platform {

struct ModuleFile::Body {
    std::shared_ptr<const version_reader::BoundedFile> file;
};

}  // namespace platform
