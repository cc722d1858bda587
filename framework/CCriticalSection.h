// A lock between threads, as the framework's critical section. Creation
// failure is reported as the framework does: a memory exception for lack of
// memory, an OLE exception with the system's code otherwise.
#pragma once

#ifdef _WIN32
#include "platform/win32.h"
#else
#include <pthread.h>
#endif

class CCriticalSection {
public:
    CCriticalSection();
    ~CCriticalSection();
    CCriticalSection(const CCriticalSection&) = delete;
    CCriticalSection& operator=(const CCriticalSection&) = delete;

    void Lock();
    void Unlock();

private:
#ifdef _WIN32
    CRITICAL_SECTION m_section;
#else
    pthread_mutex_t m_mutex;
#endif
};
