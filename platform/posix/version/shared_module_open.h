// One open of a module for every read the engine makes of it: the version
// functions, and the handles that share with nobody for its date and its
// header. Separate opens cost an open, a status, a lock and a close each;
// one open gives the same answers, as it takes the lock they would take
// (posix::OpenForEveryReading) and holds it until the inspection ends, so
// the calls see the file as a quick run of separate opens would.
#pragma once

#include <memory>
#include <string>

#include "platform/posix/version/bounded_file.h"

namespace posix {

// While one lives, calls of this thread that name exactly `path` are served
// from one open, made at the first of them. Scopes nest: the inner one
// serves its own path, and the outer one serves again after it ends.
class SharedModuleOpen {
public:
    explicit SharedModuleOpen(const char* path);
    ~SharedModuleOpen();
    SharedModuleOpen(const SharedModuleOpen&) = delete;
    SharedModuleOpen& operator=(const SharedModuleOpen&) = delete;

private:
    friend std::shared_ptr<const version_reader::BoundedFile> SharedOpenOf(const char* path);

    std::string m_path;
    std::shared_ptr<const version_reader::BoundedFile> m_file;  // made at the first call
    SharedModuleOpen* m_outer;
};

// The open of the inspection of `path` on this thread (opened now if it is
// the first call); null when no inspection of that path is running. A
// failed open is returned too: it fails every call as it would have.
std::shared_ptr<const version_reader::BoundedFile> SharedOpenOf(const char* path);

}  // namespace posix
