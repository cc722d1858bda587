#include "platform/terminal/StatusLine.h"

#ifdef _WIN32
#include <io.h>

#include "platform/win32.h"
#else
#include <sys/ioctl.h>
#include <unistd.h>
#endif

namespace platform {

bool IsTerminal(std::FILE* stream)
{
#ifdef _WIN32
    return _isatty(_fileno(stream)) != 0;
#else
    return isatty(fileno(stream)) != 0;
#endif
}

std::size_t TerminalWidth(std::FILE* stream)
{
#ifdef _WIN32
    CONSOLE_SCREEN_BUFFER_INFO info;
    const HANDLE console = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream)));
    if (GetConsoleScreenBufferInfo(console, &info)) {
        const int width = info.srWindow.Right - info.srWindow.Left + 1;
        if (width > 0) return static_cast<std::size_t>(width);
    }
#else
    winsize size{};
    if (ioctl(fileno(stream), TIOCGWINSZ, &size) == 0 && size.ws_col > 0) return size.ws_col;
#endif
    return 80;
}

StatusLine::StatusLine(std::FILE* stream, bool enabled)
    : m_stream(stream), m_enabled(enabled), m_width(enabled ? TerminalWidth(stream) : 80)
{
}

void StatusLine::Draw(const std::string& text)
{
    if (m_enabled) Write(text);
}

void StatusLine::Clear()
{
    if (!m_enabled || m_shownLength == 0) return;
    Write("");
    std::fputc('\r', m_stream);
    std::fflush(m_stream);
}

void StatusLine::Write(const std::string& text)
{
    // Spaces over what is left of the longer line before.
    std::string line = "\r" + text;
    if (text.size() < m_shownLength) line.append(m_shownLength - text.size(), ' ');
    std::fwrite(line.data(), 1, line.size(), m_stream);
    std::fflush(m_stream);
    m_shownLength = text.size();
}

}  // namespace platform
