// One of the two files of a comparison, opened for reading as bytes: a path,
// or "-" for standard input.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

namespace compare {

class InputFile {
public:
    InputFile() = default;
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;
    ~InputFile();

    // False with the reason in `error`.
    bool Open(const std::string& path, std::FILE* standardInput, std::string& error);

    std::FILE* File() const { return m_file; }
    // The path, or "standard input".
    const std::string& Label() const { return m_label; }
    // The size of a regular file; 0 for a pipe or a terminal, whose size is
    // known only at its end.
    std::uint64_t KnownSize() const { return m_size; }

private:
    std::FILE* m_file = nullptr;
    bool m_owned = false;
    std::string m_label;
    std::uint64_t m_size = 0;
};

}  // namespace compare
