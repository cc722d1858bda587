// Where a scan tells what it could not do. The window keeps such failures to
// itself; the console scanner reports them.
#pragma once

#include "platform/win32.h"

class ScanProblemSink {
public:
    virtual ~ScanProblemSink() = default;
    // On the worker: `directory` could not be listed; `error` is the
    // system's last error for it.
    virtual void DirectoryNotListed(const char* directory, DWORD error) = 0;
};
