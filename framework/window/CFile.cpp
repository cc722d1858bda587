#include "framework/window/CFile.h"

#include "framework/Exceptions.h"

namespace {

CFileException::Cause CauseOf(DWORD error)
{
    switch (error) {
    case ERROR_FILE_NOT_FOUND: return CFileException::fileNotFound;
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
    case ERROR_BAD_PATHNAME:
    case ERROR_INVALID_DRIVE: return CFileException::badPath;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_WRITE_PROTECT: return CFileException::accessDenied;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL: return CFileException::diskFull;
    default: return CFileException::genericException;
    }
}

DWORD AccessOf(UINT flags)
{
    switch (flags & 0x3) {
    case CFile::modeWrite: return GENERIC_WRITE;
    case CFile::modeReadWrite: return GENERIC_READ | GENERIC_WRITE;
    default: return GENERIC_READ;
    }
}

DWORD SharingOf(UINT flags)
{
    switch (flags & 0x70) {
    case CFile::shareDenyWrite: return FILE_SHARE_READ;
    case CFile::shareDenyRead: return FILE_SHARE_WRITE;
    case CFile::shareDenyNone: return FILE_SHARE_READ | FILE_SHARE_WRITE;
    default: return 0;  // compatibility and exclusive modes share with nobody
    }
}

DWORD DispositionOf(UINT flags)
{
    if (!(flags & CFile::modeCreate)) return OPEN_EXISTING;
    return (flags & CFile::modeNoTruncate) ? OPEN_ALWAYS : CREATE_ALWAYS;
}

}  // namespace

CFile::CFile(LPCSTR fileName, UINT openFlags) : m_strFileName(fileName)
{
    m_hFile = CreateFileA(fileName, AccessOf(openFlags), SharingOf(openFlags), nullptr, DispositionOf(openFlags),
                          FILE_ATTRIBUTE_NORMAL, nullptr);
    if (m_hFile == INVALID_HANDLE_VALUE) ThrowLastError();
}

CFile::~CFile()
{
    if (m_hFile != INVALID_HANDLE_VALUE) CloseHandle(m_hFile);
}

void CFile::Write(const void* data, UINT count)
{
    const auto* bytes = static_cast<const char*>(data);
    while (count > 0) {
        DWORD written = 0;
        if (!WriteFile(m_hFile, bytes, count, &written, nullptr)) ThrowLastError();
        if (written == 0) {
            SetLastError(ERROR_DISK_FULL);
            ThrowLastError();
        }
        bytes += written;
        count -= written;
    }
}

void CFile::Close()
{
    if (m_hFile == INVALID_HANDLE_VALUE) return;
    const HANDLE file = m_hFile;
    m_hFile = INVALID_HANDLE_VALUE;
    if (!CloseHandle(file)) ThrowLastError();
}

void CFile::ThrowLastError() const
{
    const DWORD error = GetLastError();
    AfxThrowFileException(CauseOf(error), static_cast<long>(error), m_strFileName);
}
