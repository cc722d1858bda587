// GetComputerNameExA over the host name.
#include <cstring>
#include <string>

#include "platform/posix/win32_api.h"
#include "platform/posix/system/host_name.h"
#include "platform/posix/system/system_errors.h"
#include "support/AsciiCase.h"

BOOL GetComputerNameExA(COMPUTER_NAME_FORMAT format, LPSTR buffer, LPDWORD size)
{
    if (!size) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::string name;
    switch (format) {
    case ComputerNameNetBIOS:
        name = posix::HostLabel();
        for (char& c : name) c = support::ToUpperAscii(c);
        break;
    case ComputerNameDnsHostname: name = posix::HostLabel(); break;
    case ComputerNameDnsDomain: name = posix::HostDomain(); break;
    case ComputerNameDnsFullyQualified: {
        const std::string domain = posix::HostDomain();
        name = domain.empty() ? posix::HostLabel() : posix::HostLabel() + "." + domain;
        break;
    }
    default: SetLastError(ERROR_INVALID_PARAMETER); return FALSE;
    }
    // As on Windows: too small a buffer gives the size it needs, terminator included.
    if (!buffer || *size < name.size() + 1) {
        *size = static_cast<DWORD>(name.size() + 1);
        SetLastError(ERROR_MORE_DATA);
        return FALSE;
    }
    std::memcpy(buffer, name.c_str(), name.size() + 1);
    *size = static_cast<DWORD>(name.size());
    return TRUE;
}
