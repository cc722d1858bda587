#include "platform/posix/system/processor_facts.h"

#include <unistd.h>

#include "platform/posix/system/cpu_identity.h"

namespace posix {

namespace {

platform_facts::ProcessorRegistry MachineProcessorRegistry()
{
    const CpuIdentity& identity = MachineCpuIdentity();
    platform_facts::RegistryValues values;
    values["Identifier"] = platform_facts::TextValue(ProcessorIdentifier(identity, IsSixtyFourBitSystem()));
    values["VendorIdentifier"] = platform_facts::TextValue(identity.vendor);
    values["~MHz"] = platform_facts::NumberValue(MachineProcessorMhz());

    platform_facts::ProcessorRegistry registry;
    const DWORD count = OnlineProcessorCount();
    for (DWORD i = 0; i < count; ++i) registry.keys[i] = values;
    return registry;
}

}  // namespace

DWORD OnlineProcessorCount()
{
    const long online = sysconf(_SC_NPROCESSORS_ONLN);
    return online > 0 ? static_cast<DWORD>(online) : 1;
}

DWORD ReportedProcessorCount()
{
    if (auto overridden = platform_facts::CurrentOverrides().processorCount) return *overridden;
    return OnlineProcessorCount();
}

platform_facts::ProcessorRegistry ProcessorRegistryView()
{
    if (auto overridden = platform_facts::CurrentOverrides().processorRegistry) return *overridden;
    // The hardware stays as it is while we run: read it once, not for every
    // value that the rows query.
    static const platform_facts::ProcessorRegistry machine = MachineProcessorRegistry();
    return machine;
}

}  // namespace posix
