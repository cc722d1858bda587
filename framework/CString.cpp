#include "framework/CString.h"

#include <algorithm>

#ifdef _WIN32
#include "platform/win32.h"
#else
#include "support/AsciiCase.h"
#endif

CString::CString(const char* text) : m_text(text ? text : "") {}

CString::CString(const char* text, int length)
    : m_text(text && length > 0 ? std::string(text, static_cast<std::size_t>(length)) : std::string())
{
}

CString& CString::operator=(const char* text)
{
    m_text = text ? text : "";
    return *this;
}

CString& CString::operator+=(const CString& text)
{
    m_text += text.m_text;
    return *this;
}

CString& CString::operator+=(const char* text)
{
    if (text) m_text += text;
    return *this;
}

CString& CString::operator+=(char character)
{
    m_text += character;
    return *this;
}

void CString::Empty()
{
    m_text.clear();
}

int CString::Find(char character, int start) const
{
    if (start < 0 || static_cast<std::size_t>(start) >= m_text.size()) return -1;
    const std::size_t found = m_text.find(character, static_cast<std::size_t>(start));
    return found == std::string::npos ? -1 : static_cast<int>(found);
}

CString CString::Left(int count) const
{
    const std::size_t n = static_cast<std::size_t>(std::clamp(count, 0, GetLength()));
    return CString(m_text.substr(0, n));
}

CString CString::Mid(int first) const
{
    return Mid(first, GetLength());
}

CString CString::Mid(int first, int count) const
{
    const int from = std::clamp(first, 0, GetLength());
    const int n = std::clamp(count, 0, GetLength() - from);
    return CString(m_text.substr(static_cast<std::size_t>(from), static_cast<std::size_t>(n)));
}

CString& CString::MakeUpper()
{
#ifdef _WIN32
    // The system converts through its code page, so double-byte characters
    // stay whole.
    if (!m_text.empty()) CharUpperBuffA(&m_text[0], static_cast<DWORD>(m_text.size()));
#else
    // UTF-8: only ASCII letters change; bytes of multibyte sequences are all
    // 0x80 or above and stay as they are.
    for (char& c : m_text) c = support::ToUpperAscii(c);
#endif
    return *this;
}

CString operator+(const CString& a, const CString& b)
{
    CString result(a);
    result += b;
    return result;
}

CString operator+(const CString& a, const char* b)
{
    CString result(a);
    result += b;
    return result;
}

CString operator+(const char* a, const CString& b)
{
    CString result(a);
    result += b;
    return result;
}

CString operator+(const CString& a, char b)
{
    CString result(a);
    result += b;
    return result;
}
