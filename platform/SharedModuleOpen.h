// The reads the engine makes of one module (its version resource, then its
// date and header through handles that share with nobody), marked as one
// inspection. Windows' own functions open the file for each read, as they
// always did. The POSIX stand-in serves them all from one open, as that
// answers as the separate opens would and costs a quarter of the calls.
#pragma once

#ifdef _WIN32

namespace platform {

class SharedModuleOpen {
public:
    explicit SharedModuleOpen(const char*) {}
    SharedModuleOpen(const SharedModuleOpen&) = delete;
    SharedModuleOpen& operator=(const SharedModuleOpen&) = delete;
};

}  // namespace platform

#else

#include "platform/posix/version/shared_module_open.h"

namespace platform {
using SharedModuleOpen = posix::SharedModuleOpen;
}  // namespace platform

#endif
