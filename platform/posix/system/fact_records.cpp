#include "platform/posix/system/fact_records.h"

namespace system_facts {

WorkstationVersion WorkstationAgreeingWith(const OsVersion& os)
{
    return {os.major, os.minor, PLATFORM_ID_NT};
}

RegistryValue TextValue(const std::string& text)
{
    return {REG_SZ, text + '\0'};
}

RegistryValue NumberValue(DWORD number)
{
    std::string bytes;
    for (int shift = 0; shift < 32; shift += 8) bytes += static_cast<char>((number >> shift) & 0xFF);
    return {REG_DWORD, bytes};
}

}  // namespace system_facts
