#include "platform/posix/system/platform_facts.h"

#include <mutex>

namespace platform_facts {

namespace {

// Tests set the overrides while the stand-in may read them on a worker.
std::mutex g_mutex;
Overrides g_overrides;

}  // namespace

RegistryValue TextValue(const std::string& text) { return {REG_SZ, text + '\0'}; }

RegistryValue NumberValue(DWORD number)
{
    std::string bytes;
    for (int shift = 0; shift < 32; shift += 8) bytes += static_cast<char>((number >> shift) & 0xFF);
    return {REG_DWORD, bytes};
}

void SetOverrides(const Overrides& overrides)
{
    std::lock_guard<std::mutex> lock(g_mutex);
    g_overrides = overrides;
}

Overrides CurrentOverrides()
{
    std::lock_guard<std::mutex> lock(g_mutex);
    return g_overrides;
}

}  // namespace platform_facts
