// Natively, every read() and pread() that the engine and the POSIX stand-in
// make goes through this watch (the test links with --wrap=read and
// --wrap=pread). While a watch lives, each read of a regular file that asks
// for bytes past the file's end is recorded.
#pragma once

#include <string>
#include <vector>

namespace malformed {

class ReadBoundsWatch {
public:
    ReadBoundsWatch();
    ~ReadBoundsWatch();
    ReadBoundsWatch(const ReadBoundsWatch&) = delete;
    ReadBoundsWatch& operator=(const ReadBoundsWatch&) = delete;

    // "read of N bytes at O in a file of S bytes", one per offending read.
    std::vector<std::string> ReadsPastTheEnd() const;
};

}  // namespace malformed
