// The console's terminal: whether a stream is one, how wide it is, and one
// status line redrawn in place with a carriage return and spaces only, so
// that it needs no escape sequences (a Windows console without
// virtual-terminal support shows them as text). The line is kept a column
// short of the terminal's width, so it never wraps and leaves no lines
// behind. The scan's progress and the comparison's reading show on it.
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>

namespace platform {

// Whether `stream` is a terminal (or a Windows console).
bool IsTerminal(std::FILE* stream);

// The width of the terminal behind `stream`; 80 when it cannot be told.
std::size_t TerminalWidth(std::FILE* stream);

class StatusLine {
public:
    // Shows nothing unless `enabled`.
    StatusLine(std::FILE* stream, bool enabled);
    ~StatusLine() { Clear(); }
    StatusLine(const StatusLine&) = delete;
    StatusLine& operator=(const StatusLine&) = delete;

    bool Enabled() const { return m_enabled; }
    // The room a text has: a column short of the terminal's width.
    std::size_t Room() const { return m_width > 1 ? m_width - 1 : 1; }
    // Replaces the line with `text` (already fitted to Room()).
    void Draw(const std::string& text);
    // Blanks the line and leaves the cursor at its start.
    void Clear();

private:
    void Write(const std::string& text);

    std::FILE* m_stream;
    bool m_enabled;
    std::size_t m_width;
    std::size_t m_shownLength = 0;
};

}  // namespace platform
