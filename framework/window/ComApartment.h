// The calling thread in a single-threaded COM apartment for the life of the
// object, as the shell's dialogs (the folder picker) require of the thread
// that shows them.
#pragma once

#include <objbase.h>

class ComApartment {
public:
    ComApartment() : m_result(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
    // Every successful initialisation, also an S_FALSE one, has its end.
    ~ComApartment()
    {
        if (SUCCEEDED(m_result)) CoUninitialize();
    }
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;

    bool IsEntered() const { return SUCCEEDED(m_result); }

private:
    HRESULT m_result;
};
