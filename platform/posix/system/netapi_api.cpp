#include "platform/posix/system/netapi_api.h"

#include <cstdlib>
#include <cstring>
#include <new>
#include <string>

#include "support/AsciiCase.h"
#include "support/Utf.h"
#include "platform/posix/system/host_name.h"
#include "platform/posix/system/reported_facts.h"
#include "platform/posix/system/system_errors.h"

namespace {

// The NetBIOS form of this computer's name: its first label, upper-cased.
std::string ComputerName()
{
    std::string name = posix::HostLabel();
    for (char& c : name) c = support::ToUpperAscii(c);
    return name;
}

}  // namespace

NET_API_STATUS NetWkstaGetInfo(LPWSTR serverName, DWORD level, LPBYTE* buffer)
{
    if (!buffer) return ERROR_INVALID_PARAMETER;
    *buffer = nullptr;
    if (serverName && *serverName) return ERROR_BAD_NETPATH;
    if (level != 100) return ERROR_INVALID_LEVEL;

    system_facts::WorkstationVersion version;
    if (const NET_API_STATUS status = system_facts::ReportedWorkstation(version); status != NERR_Success) return status;

    // One block, the record first and its two names behind it, so that a
    // single NetApiBufferFree releases everything.
    const std::string name = ComputerName();
    const std::u16string computer = support::Utf16FromUtf8(name.data(), name.size());
    const std::u16string domain = u"WORKGROUP";
    const std::size_t names = (computer.size() + 1 + domain.size() + 1) * sizeof(char16_t);
    auto* block = static_cast<unsigned char*>(std::malloc(sizeof(WKSTA_INFO_100) + names));
    if (!block) return ERROR_NOT_ENOUGH_MEMORY;
    auto* info = new (block) WKSTA_INFO_100{};
    auto* text = reinterpret_cast<char16_t*>(block + sizeof(WKSTA_INFO_100));
    info->wki100_computername = text;
    text = std::char_traits<char16_t>::copy(text, computer.c_str(), computer.size() + 1) + computer.size() + 1;
    info->wki100_langroup = text;
    std::char_traits<char16_t>::copy(text, domain.c_str(), domain.size() + 1);
    info->wki100_platform_id = version.platformId;
    info->wki100_ver_major = version.major;
    info->wki100_ver_minor = version.minor;
    *buffer = block;
    return NERR_Success;
}

NET_API_STATUS NetApiBufferFree(LPVOID buffer)
{
    std::free(buffer);
    return NERR_Success;
}
