// The facts as this machine has them: what shipped programs report.
#include "platform/posix/system/machine_processors.h"
#include "platform/posix/system/os_version.h"
#include "platform/posix/system/reported_facts.h"
#include "platform/posix/system/system_directory.h"

namespace system_facts {

OsVersion ReportedOsVersion()
{
    return posix::MachineOsVersion();
}

NET_API_STATUS ReportedWorkstation(WorkstationVersion& version)
{
    version = WorkstationAgreeingWith(posix::MachineOsVersion());
    return NERR_Success;
}

bool IsModuleAvailable(std::string_view)
{
    return true;
}

bool IsFunctionAvailable(std::string_view)
{
    return true;
}

std::string Kernel32Path()
{
    return posix::SystemModulePath("kernel32.dll");
}

DWORD ReportedProcessorCount()
{
    return posix::OnlineProcessorCount();
}

ProcessorRegistry ReportedProcessorRegistry()
{
    return posix::MachineProcessorRegistry();
}

}  // namespace system_facts
