// Scoped ownership of a critical section: released by Unlock or when the
// scope is left, also by an exception.
#pragma once

#include "framework/CCriticalSection.h"

class CSingleLock {
public:
    explicit CSingleLock(CCriticalSection* section, bool initialLock = false);
    ~CSingleLock();
    CSingleLock(const CSingleLock&) = delete;
    CSingleLock& operator=(const CSingleLock&) = delete;

    void Lock();
    void Unlock();
    bool IsLocked() const { return m_locked; }

private:
    CCriticalSection* m_section;
    bool m_locked = false;
};
