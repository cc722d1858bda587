// While a large file is read: one line on a terminal, "reading NAME: 45%
// (450,000 rows)", redrawn in place with a carriage return and spaces only,
// as the scanner's progress line is (any Windows console shows it). It
// appears only once reading has taken a moment, so small files show none.
#pragma once

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>

#include "platform/terminal/StatusLine.h"

namespace compare {

class ReadProgress {
public:
    // Enabled only when `stream` is a terminal and `wanted`.
    ReadProgress(std::FILE* stream, bool wanted);

    // A file begins; `totalBytes` 0 when its size is not known (a pipe).
    void Begin(const std::string& label, std::uint64_t totalBytes);
    // Cheap enough for every row: it looks at the clock every 1024 calls.
    void Update(std::uint64_t bytesRead, std::uint64_t rows);
    void Clear() { m_line.Clear(); }

private:
    platform::StatusLine m_line;
    std::string m_label;
    std::uint64_t m_totalBytes = 0;
    std::uint32_t m_calls = 0;
    std::chrono::steady_clock::time_point m_start;
    std::chrono::steady_clock::time_point m_lastDraw;
};

using platform::IsTerminal;

}  // namespace compare
