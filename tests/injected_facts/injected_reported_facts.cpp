// The facts that test executables report: a test's override where one is in
// force, else the machine's.
#include "injected_facts/platform_facts.h"
#include "support/AsciiCase.h"
#include "platform/posix/system/machine_processors.h"
#include "platform/posix/system/os_version.h"
#include "platform/posix/system/reported_facts.h"
#include "platform/posix/system/system_directory.h"

namespace system_facts {

using platform_facts::CurrentOverrides;

OsVersion ReportedOsVersion()
{
    if (auto overridden = CurrentOverrides().osVersion) return *overridden;
    return posix::MachineOsVersion();
}

NET_API_STATUS ReportedWorkstation(WorkstationVersion& version)
{
    const platform_facts::Overrides overrides = CurrentOverrides();
    if (overrides.workstationFailure != NERR_Success) return overrides.workstationFailure;
    version =
        overrides.workstationVersion ? *overrides.workstationVersion : WorkstationAgreeingWith(ReportedOsVersion());
    return NERR_Success;
}

bool IsModuleAvailable(std::string_view fileName)
{
    for (const std::string& missing : CurrentOverrides().missingModules) {
        if (support::EqualsIgnoringAsciiCase(missing, fileName)) return false;
    }
    return true;
}

bool IsFunctionAvailable(std::string_view name)
{
    return CurrentOverrides().missingFunctions.count(std::string(name)) == 0;
}

std::string Kernel32Path()
{
    if (auto file = CurrentOverrides().kernel32File) return *file;
    return posix::SystemModulePath("kernel32.dll");
}

DWORD ReportedProcessorCount()
{
    if (auto overridden = CurrentOverrides().processorCount) return *overridden;
    return posix::OnlineProcessorCount();
}

ProcessorRegistry ReportedProcessorRegistry()
{
    if (auto overridden = CurrentOverrides().processorRegistry) return *overridden;
    return posix::MachineProcessorRegistry();
}

}  // namespace system_facts
