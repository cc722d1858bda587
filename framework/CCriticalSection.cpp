#include "framework/CCriticalSection.h"

#include "framework/Exceptions.h"

#ifdef _WIN32

CCriticalSection::CCriticalSection()
{
    if (!InitializeCriticalSectionAndSpinCount(&m_section, 0)) {
        const DWORD error = GetLastError();
        if (error == ERROR_NOT_ENOUGH_MEMORY) AfxThrowMemoryException();
        AfxThrowOleException(HRESULT_FROM_WIN32(error));
    }
}

CCriticalSection::~CCriticalSection()
{
    DeleteCriticalSection(&m_section);
}

void CCriticalSection::Lock()
{
    EnterCriticalSection(&m_section);
}

void CCriticalSection::Unlock()
{
    LeaveCriticalSection(&m_section);
}

#else

#include <cerrno>

#include "platform/win32.h"

// Recursive, as a Windows critical section is: the thread that holds it may
// take it again.
CCriticalSection::CCriticalSection()
{
    pthread_mutexattr_t attributes;
    pthread_mutexattr_init(&attributes);
    pthread_mutexattr_settype(&attributes, PTHREAD_MUTEX_RECURSIVE);
    const int error = pthread_mutex_init(&m_mutex, &attributes);
    pthread_mutexattr_destroy(&attributes);
    if (error == ENOMEM) AfxThrowMemoryException();
    if (error != 0) AfxThrowOleException(HRESULT_FROM_WIN32(static_cast<DWORD>(error)));
}

CCriticalSection::~CCriticalSection()
{
    pthread_mutex_destroy(&m_mutex);
}

void CCriticalSection::Lock()
{
    pthread_mutex_lock(&m_mutex);
}

void CCriticalSection::Unlock()
{
    pthread_mutex_unlock(&m_mutex);
}

#endif
