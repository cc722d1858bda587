#include "sysinfo/RegistryValues.h"

void ReadRegistryText(HKEY key, const char* name, char (&text)[kRegistryTextBytes + 1])
{
    DWORD type = 0;
    DWORD size = kRegistryTextBytes;
    const LONG result = RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<LPBYTE>(text), &size);
    // The data need not carry a terminator: it ends where it was said to.
    DWORD length = 0;
    if (result == ERROR_SUCCESS && type == REG_SZ) length = size < kRegistryTextBytes ? size : kRegistryTextBytes;
    text[length] = '\0';
}

DWORD ReadRegistryNumber(HKEY key, const char* name)
{
    DWORD number = 0;
    DWORD type = 0;
    DWORD size = sizeof number;
    const LONG result = RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<LPBYTE>(&number), &size);
    return result == ERROR_SUCCESS && type == REG_DWORD && size == sizeof number ? number : 0;
}
