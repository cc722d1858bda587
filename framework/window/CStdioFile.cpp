#include "framework/window/CStdioFile.h"

#include <cstring>
#include <string>

CStdioFile::CStdioFile(LPCSTR fileName, UINT openFlags)
    : CFile(fileName, openFlags), m_textMode(!(openFlags & typeBinary))
{
}

void CStdioFile::WriteString(LPCSTR text)
{
    if (!text) return;
    const std::size_t length = std::strlen(text);
    if (!m_textMode) {
        Write(text, static_cast<UINT>(length));
        return;
    }
    // Text mode gives every line feed its carriage return, except one that
    // already has it: our texts end their lines in CR LF (as the clipboard
    // wants them), and a C runtime's text mode would write those as
    // CR CR LF. A CR at the end of one call counts for an LF that starts the
    // next.
    std::string bytes;
    bytes.reserve(length + length / 8);
    bool lastWasCarriageReturn = m_lastWasCarriageReturn;
    for (std::size_t i = 0; i < length; ++i) {
        const char c = text[i];
        if (c == '\n' && !lastWasCarriageReturn) bytes += '\r';
        bytes += c;
        lastWasCarriageReturn = c == '\r';
    }
    Write(bytes.data(), static_cast<UINT>(bytes.size()));
    m_lastWasCarriageReturn = lastWasCarriageReturn;
}
