// The lines of a jsonl file, read in large blocks. A UTF-8 byte order mark
// at the start and the CR of a CR LF are dropped, so the files of both builds
// read alike.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace compare {

class LineReader {
public:
    // The longest line taken: far beyond any row the scanner writes, short
    // enough that a file without line ends cannot take the memory.
    static constexpr std::size_t kMaxLineLength = 16u << 20;

    enum class Status {
        Line,
        End,
        TooLong,
        ReadError
    };

    explicit LineReader(std::FILE* file);

    // The next line, in a buffer the caller may change until the next call
    // (the JSON reader decodes in place). Its end is at `length`, followed
    // by a NUL.
    Status Next(char*& line, std::size_t& length);

    // The number of the line Next gave last, from 1.
    std::uint64_t LineNumber() const { return m_lineNumber; }
    // Whether that line ended without a line end: the file's last, perhaps
    // cut short.
    bool LineUnterminated() const { return m_unterminated; }
    std::uint64_t BytesRead() const { return m_bytesRead; }
    // errno of a failed read.
    int Error() const { return m_error; }

private:
    bool Fill();

    std::FILE* m_file;
    std::vector<char> m_buffer;
    std::size_t m_begin = 0;
    std::size_t m_end = 0;
    bool m_eof = false;
    bool m_atStart = true;
    bool m_unterminated = false;
    std::uint64_t m_lineNumber = 0;
    std::uint64_t m_bytesRead = 0;
    int m_error = 0;
};

}  // namespace compare
