// The framework's exceptions. As in the framework they are thrown by
// pointer; whoever catches one calls Delete().
#pragma once

#include "framework/CString.h"

class CException {
public:
    virtual ~CException() = default;
    void Delete() { delete this; }
    // A text for the user.
    virtual CString GetErrorMessage() const = 0;
};

class CMemoryException : public CException {
public:
    CString GetErrorMessage() const override;
};

class COleException : public CException {
public:
    explicit COleException(long code) : m_sc(code) {}
    CString GetErrorMessage() const override;

    long m_sc;
};

class CFileException : public CException {
public:
    enum Cause {
        none,
        genericException,
        fileNotFound,
        badPath,
        accessDenied,
        diskFull
    };

    CFileException(Cause cause, long osError, const char* fileName)
        : m_cause(cause), m_lOsError(osError), m_strFileName(fileName)
    {
    }
    CString GetErrorMessage() const override;

    Cause m_cause;
    long m_lOsError;
    CString m_strFileName;
};

[[noreturn]] void AfxThrowMemoryException();
[[noreturn]] void AfxThrowOleException(long code);
[[noreturn]] void AfxThrowFileException(CFileException::Cause cause, long osError, const char* fileName);
