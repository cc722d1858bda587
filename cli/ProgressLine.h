#pragma once

#include <cstddef>
#include <cstdio>
#include <string>

// One status line on a terminal, redrawn in place with a carriage return and
// spaces only, so that it needs no escape sequences (a Windows console
// without virtual-terminal support shows them as text). It is kept a column
// short of the terminal's width, so it never wraps and leaves no lines behind.
class ProgressLine {
public:
    ProgressLine(std::FILE* stream, bool enabled);
    void Show(int found, const std::string& directory);
    void Clear();

private:
    void Draw(const std::string& text);

    std::FILE* m_stream;
    bool m_enabled;
    std::size_t m_width;
    std::size_t m_shownLength = 0;
};

// `text` in at most `width` bytes: the middle gives way to "...", so the
// start (the count and the root) and the end (where the walk is) stay.
// Never cuts inside a UTF-8 character.
std::string FitToWidth(const std::string& text, std::size_t width);

// The width of the terminal behind `stream`; 80 when it cannot be told.
std::size_t TerminalWidth(std::FILE* stream);
