#include "cli/ProgressLine.h"

#include "support/TerminalText.h"

#ifdef _WIN32
#include <io.h>

#include "platform/win32.h"
#else
#include <sys/ioctl.h>
#include <unistd.h>
#endif

namespace {

bool IsContinuationByte(char c)
{
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

}  // namespace

std::string FitToWidth(const std::string& text, std::size_t width)
{
    if (text.size() <= width) return text;
    const std::string ellipsis = "...";
    if (width <= ellipsis.size()) return text.substr(0, 0);
    const std::size_t room = width - ellipsis.size();
    std::size_t head = room / 3;
    std::size_t tail = text.size() - (room - head);
    while (head > 0 && IsContinuationByte(text[head])) --head;
    while (tail < text.size() && IsContinuationByte(text[tail])) ++tail;
    return text.substr(0, head) + ellipsis + text.substr(tail);
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

ProgressLine::ProgressLine(std::FILE* stream, bool enabled)
    : m_stream(stream), m_enabled(enabled), m_width(enabled ? TerminalWidth(stream) : 80)
{
}

void ProgressLine::Show(int found, const std::string& directory)
{
    if (!m_enabled) return;
    // One column short of the width: a line that fills it wraps on some
    // terminals at once.
    // A directory's name may hold escape sequences: they are shown, not run.
    const std::string text = "DLLs: " + std::to_string(found) + "  " + support::EscapedForTerminal(directory);
    Draw(FitToWidth(text, m_width > 1 ? m_width - 1 : 1));
}

void ProgressLine::Clear()
{
    if (m_shownLength == 0) return;
    Draw("");
    std::fputc('\r', m_stream);
    std::fflush(m_stream);
}

void ProgressLine::Draw(const std::string& text)
{
    // Spaces over what is left of the longer line before.
    std::string line = "\r" + text;
    if (text.size() < m_shownLength) line.append(m_shownLength - text.size(), ' ');
    std::fwrite(line.data(), 1, line.size(), m_stream);
    std::fflush(m_stream);
    m_shownLength = text.size();
}
