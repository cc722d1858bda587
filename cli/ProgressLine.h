#pragma once

#include <cstdio>
#include <string>

// One status line on a terminal, redrawn in place.
class ProgressLine {
public:
    ProgressLine(std::FILE* stream, bool enabled) : m_stream(stream), m_enabled(enabled) {}
    void Show(int found, const std::string& directory);
    void Clear();

private:
    std::FILE* m_stream;
    bool m_enabled;
    bool m_shown = false;
};
