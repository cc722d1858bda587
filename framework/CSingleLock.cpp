#include "framework/CSingleLock.h"

CSingleLock::CSingleLock(CCriticalSection* section, bool initialLock) : m_section(section)
{
    if (initialLock) Lock();
}

CSingleLock::~CSingleLock()
{
    Unlock();
}

void CSingleLock::Lock()
{
    if (m_locked || !m_section) return;
    m_section->Lock();
    m_locked = true;
}

void CSingleLock::Unlock()
{
    if (!m_locked) return;
    m_section->Unlock();
    m_locked = false;
}
