// A narrow text in the system's code page, with the operations of the
// application framework's string class that this program uses.
#pragma once

#include <cstddef>
#include <string>

class CString {
public:
    CString() = default;
    CString(const char* text);  // NOLINT: converts like the framework's string
    CString(const char* text, int length);
    CString(const CString&) = default;
    CString(CString&&) noexcept = default;
    CString& operator=(const CString&) = default;
    CString& operator=(CString&&) noexcept = default;
    CString& operator=(const char* text);

    CString& operator+=(const CString& text);
    CString& operator+=(const char* text);
    CString& operator+=(char character);

    int GetLength() const { return static_cast<int>(m_text.size()); }
    bool IsEmpty() const { return m_text.empty(); }
    void Empty();

    // Index of the first `character` at or after `start`, or -1.
    int Find(char character, int start = 0) const;
    CString Left(int count) const;
    CString Mid(int first) const;
    CString Mid(int first, int count) const;

    // Upper-cases in place by the process's narrow code page; never splits a
    // multibyte character.
    CString& MakeUpper();

    char GetAt(int index) const { return m_text[static_cast<std::size_t>(index)]; }
    const char* GetString() const { return m_text.c_str(); }
    operator const char*() const { return m_text.c_str(); }  // NOLINT: as the framework's

    friend bool operator==(const CString& a, const CString& b) { return a.m_text == b.m_text; }
    friend bool operator!=(const CString& a, const CString& b) { return a.m_text != b.m_text; }
    friend bool operator==(const CString& a, const char* b) { return a.m_text == (b ? b : ""); }
    friend bool operator!=(const CString& a, const char* b) { return !(a == b); }

private:
    explicit CString(std::string text) : m_text(std::move(text)) {}

    std::string m_text;
};

CString operator+(const CString& a, const CString& b);
CString operator+(const CString& a, const char* b);
CString operator+(const char* a, const CString& b);
CString operator+(const CString& a, char b);
