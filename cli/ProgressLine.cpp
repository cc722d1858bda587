#include "cli/ProgressLine.h"

namespace {
constexpr std::size_t kWidth = 79;
}

void ProgressLine::Show(int found, const std::string& directory)
{
    if (!m_enabled) return;
    std::string line = "DLLs: " + std::to_string(found) + "  " + directory;
    // Keep the end of a long path: it says where the scan is.
    if (line.size() > kWidth) line = "..." + line.substr(line.size() - (kWidth - 3));
    std::fprintf(m_stream, "\r\033[K%s", line.c_str());
    std::fflush(m_stream);
    m_shown = true;
}

void ProgressLine::Clear()
{
    if (!m_shown) return;
    std::fprintf(m_stream, "\r\033[K");
    std::fflush(m_stream);
    m_shown = false;
}
