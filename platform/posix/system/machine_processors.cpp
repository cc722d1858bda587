#include "platform/posix/system/machine_processors.h"

#include <unistd.h>

#include "platform/posix/system/cpu_identity.h"

namespace posix {

namespace {

system_facts::ProcessorRegistry ReadProcessorRegistry()
{
    const CpuIdentity& identity = MachineCpuIdentity();
    system_facts::RegistryValues values;
    values["Identifier"] = system_facts::TextValue(ProcessorIdentifier(identity, IsSixtyFourBitSystem()));
    values["VendorIdentifier"] = system_facts::TextValue(identity.vendor);
    values["~MHz"] = system_facts::NumberValue(MachineProcessorMhz());

    system_facts::ProcessorRegistry registry;
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

system_facts::ProcessorRegistry MachineProcessorRegistry()
{
    static const system_facts::ProcessorRegistry machine = ReadProcessorRegistry();
    return machine;
}

}  // namespace posix
