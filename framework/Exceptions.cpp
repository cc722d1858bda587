#include "framework/Exceptions.h"

#include <cstdio>

CString CMemoryException::GetErrorMessage() const
{
    return "Out of memory.";
}

CString COleException::GetErrorMessage() const
{
    char text[64];
    std::snprintf(text, sizeof text, "System error 0x%08lX.", static_cast<unsigned long>(m_sc));
    return text;
}

CString CFileException::GetErrorMessage() const
{
    const char* what = "An error occurred while accessing";
    switch (m_cause) {
    case fileNotFound: what = "Cannot find"; break;
    case badPath: what = "The path is not valid:"; break;
    case accessDenied: what = "Access is denied to"; break;
    case diskFull: what = "The disk is full while writing"; break;
    default: break;
    }
    return CString(what) + " " + m_strFileName + ".";
}

void AfxThrowMemoryException()
{
    throw new CMemoryException;
}

void AfxThrowOleException(long code)
{
    throw new COleException(code);
}

void AfxThrowFileException(CFileException::Cause cause, long osError, const char* fileName)
{
    throw new CFileException(cause, osError, fileName);
}
