#include "compare/LineReader.h"

#include <cerrno>
#include <cstring>

namespace compare {

namespace {

constexpr std::size_t kBlock = 1u << 20;

}  // namespace

LineReader::LineReader(std::FILE* file) : m_file(file), m_buffer(2 * kBlock + 1) {}

// Moves what is left of the block to the front and reads more after it;
// false when nothing more came.
bool LineReader::Fill()
{
    if (m_eof) return false;
    if (m_begin > 0) {
        std::memmove(m_buffer.data(), m_buffer.data() + m_begin, m_end - m_begin);
        m_end -= m_begin;
        m_begin = 0;
    }
    if (m_buffer.size() - m_end < kBlock + 1) m_buffer.resize(m_end + kBlock + 1);
    const std::size_t got = std::fread(m_buffer.data() + m_end, 1, kBlock, m_file);
    if (got < kBlock) {
        if (std::ferror(m_file)) m_error = errno ? errno : EIO;
        m_eof = true;
    }
    m_end += got;
    m_bytesRead += got;
    return got > 0;
}

LineReader::Status LineReader::Next(char*& line, std::size_t& length)
{
    std::size_t searched = m_begin;
    for (;;) {
        char* const begin = m_buffer.data() + m_begin;
        const auto* newline = static_cast<char*>(std::memchr(m_buffer.data() + searched, '\n', m_end - searched));
        if (newline || (m_eof && m_end > m_begin)) {
            const std::size_t lineEnd = newline ? static_cast<std::size_t>(newline - m_buffer.data()) : m_end;
            m_unterminated = newline == nullptr;
            std::size_t size = lineEnd - m_begin;
            if (size > kMaxLineLength) return Status::TooLong;
            m_begin = newline ? lineEnd + 1 : m_end;
            ++m_lineNumber;
            if (size > 0 && begin[size - 1] == '\r') --size;
            line = begin;
            if (m_atStart) {
                m_atStart = false;
                if (size >= 3 && std::memcmp(line, "\xEF\xBB\xBF", 3) == 0) {
                    line += 3;
                    size -= 3;
                }
            }
            line[size] = '\0';
            length = size;
            return Status::Line;
        }
        if (m_end - m_begin > kMaxLineLength) {
            ++m_lineNumber;
            return Status::TooLong;
        }
        searched = m_end - m_begin;
        if (!Fill()) {
            if (m_error) return Status::ReadError;
            if (m_end == m_begin) return Status::End;
        }
        searched += m_begin;
    }
}

}  // namespace compare
