// The scan's progress on the terminal of standard error: the count and the
// directory being searched, on one status line.
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>

#include "platform/terminal/StatusLine.h"
#include "support/TerminalText.h"

class ProgressLine {
public:
    ProgressLine(std::FILE* stream, bool enabled) : m_line(stream, enabled) {}
    void Show(int found, const std::string& directory);
    void Clear() { m_line.Clear(); }

private:
    platform::StatusLine m_line;
};

// `text` in at most `width` bytes: the middle gives way to "...", so the
// start (the count and the root) and the end (where the walk is) stay.
// Never cuts inside a UTF-8 character.
inline std::string FitToWidth(const std::string& text, std::size_t width)
{
    return support::ShortenMiddle(text, width);
}
