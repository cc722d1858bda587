#include "injected_facts/platform_facts.h"

#include <mutex>

namespace platform_facts {

namespace {

// Tests set the overrides while the stand-in may read them on a worker.
std::mutex g_mutex;
Overrides g_overrides;

}  // namespace

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
