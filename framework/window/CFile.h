// A file on disk, as the framework's file class: opened by name and mode,
// written, closed. Failures raise CFileException (thrown by pointer).
#pragma once

#include "framework/CString.h"
#include "framework/Exceptions.h"
#include "platform/win32.h"

class CFile {
public:
    // The framework's values, so that combined modes mean the same.
    enum OpenFlags : UINT {
        modeRead = 0x0000,
        modeWrite = 0x0001,
        modeReadWrite = 0x0002,
        shareCompat = 0x0000,
        shareExclusive = 0x0010,
        shareDenyWrite = 0x0020,
        shareDenyRead = 0x0030,
        shareDenyNone = 0x0040,
        modeCreate = 0x1000,
        modeNoTruncate = 0x2000,
        typeText = 0x4000,
        typeBinary = 0x8000,
    };

    CFile(LPCSTR fileName, UINT openFlags);
    CFile(const CFile&) = delete;
    CFile& operator=(const CFile&) = delete;
    // Closes a file still open, without reporting a failure.
    virtual ~CFile();

    // Writes all `count` bytes.
    void Write(const void* data, UINT count);
    virtual void Close();

    HANDLE m_hFile = INVALID_HANDLE_VALUE;

protected:
    [[noreturn]] void ThrowLastError() const;

    CString m_strFileName;
};
