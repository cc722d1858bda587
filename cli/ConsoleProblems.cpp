#include "cli/ConsoleProblems.h"

#include <algorithm>

#include "support/TerminalText.h"

void ConsoleProblems::DirectoryNotListed(const char* directory, DWORD error)
{
    if (error == ERROR_FILE_NOT_FOUND &&
        std::find(m_driveRoots.begin(), m_driveRoots.end(), directory) != m_driveRoots.end()) {
        return;
    }
    std::lock_guard<std::mutex> lock(m_mutex);
    // Shown escaped: a directory's name must not drive the terminal.
    m_pending.push_back("modaris-scan: cannot list '" + support::EscapedForTerminal(directory) +
                        "': " + ErrorReason(error));
    m_any = true;
}

std::vector<std::string> ConsoleProblems::TakeLines()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    std::vector<std::string> lines;
    lines.swap(m_pending);
    return lines;
}

bool ConsoleProblems::Any() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_any;
}

std::string ErrorReason(DWORD error)
{
    switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND: return "No such directory";
    case ERROR_ACCESS_DENIED: return "Permission denied";
    case ERROR_FILENAME_EXCED_RANGE: return "File name too long";
    case ERROR_NOT_ENOUGH_MEMORY: return "Not enough memory";
    default: return "system error " + std::to_string(error);
    }
}
