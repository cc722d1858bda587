#include "cli/ProgressLine.h"

#include "support/TerminalText.h"

void ProgressLine::Show(int found, const std::string& directory)
{
    if (!m_line.Enabled()) return;
    // A directory's name may hold escape sequences: they are shown, not run.
    const std::string text = "DLLs: " + std::to_string(found) + "  " + support::EscapedForTerminal(directory);
    m_line.Draw(FitToWidth(text, m_line.Room()));
}
