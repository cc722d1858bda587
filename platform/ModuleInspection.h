// The reads the engine makes of one module (its version resource, then its
// date and header through handles that share with nobody), marked as one
// inspection. Windows' own functions open the file for each read, as they
// always did. The POSIX stand-in serves them all from one open, as that
// answers as the separate opens would and costs a quarter of the calls.
#pragma once

#ifdef _WIN32

namespace platform {

class ModuleInspection {
public:
    explicit ModuleInspection(const char*) {}
    ModuleInspection(const ModuleInspection&) = delete;
    ModuleInspection& operator=(const ModuleInspection&) = delete;
};

}  // namespace platform

#else

#include "platform/posix/version/module_inspection.h"

namespace platform {
using ModuleInspection = posix::ModuleInspection;
}  // namespace platform

#endif
