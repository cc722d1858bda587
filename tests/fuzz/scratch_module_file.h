// One file that holds the bytes under test: the reader and the probe take a
// file name, so every input is written here first. One per process. It has
// no name in any directory (it is reached through /proc/self/fd), so no scan
// running elsewhere on the machine can find it and hold it open, and a
// crashed run leaves nothing behind; where /proc is missing it is a named
// file without a module extension in a private folder.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace fuzz {

class ScratchModuleFile {
public:
    ScratchModuleFile();
    ~ScratchModuleFile();
    ScratchModuleFile(const ScratchModuleFile&) = delete;
    ScratchModuleFile& operator=(const ScratchModuleFile&) = delete;

    // Replaces the file's contents. Our descriptor holds no lock, so the
    // probe's unshared open still succeeds. Aborts when the bytes cannot be
    // written: a short file would test something else.
    void Write(const std::uint8_t* bytes, std::size_t size) const;
    const char* Path() const { return path_.c_str(); }

private:
    int fd_ = -1;
    std::string path_;
    std::string folder_;  // only for the named fallback
};

}  // namespace fuzz
