// GetSystemInfo and GetSystemDirectoryA over sysconf and the file system.
#include <cstring>
#include <string>
#include <unistd.h>

#include "platform/posix/system/cpu_identity.h"
#include "platform/posix/system/reported_facts.h"
#include "platform/posix/system/system_directory.h"
#include "platform/posix/win32_api.h"

namespace {

// PROCESSOR_ARCHITECTURE_* and PROCESSOR_* of this build's machine.
#if defined(__x86_64__)
constexpr WORD kArchitecture = 9;
constexpr DWORD kProcessorType = 8664;
#elif defined(__i386__)
constexpr WORD kArchitecture = 0;
constexpr DWORD kProcessorType = 586;
#elif defined(__aarch64__)
constexpr WORD kArchitecture = 12;
constexpr DWORD kProcessorType = 0;
#else
constexpr WORD kArchitecture = 0xFFFF;
constexpr DWORD kProcessorType = 0;
#endif

}  // namespace

void GetSystemInfo(LPSYSTEM_INFO systemInfo)
{
    if (!systemInfo) return;
    *systemInfo = SYSTEM_INFO{};
    systemInfo->u.s.wProcessorArchitecture = kArchitecture;
    const long pageSize = sysconf(_SC_PAGESIZE);
    systemInfo->dwPageSize = pageSize > 0 ? static_cast<DWORD>(pageSize) : 4096;
    systemInfo->lpMinimumApplicationAddress = reinterpret_cast<LPVOID>(static_cast<uintptr_t>(0x10000));
    systemInfo->lpMaximumApplicationAddress =
        reinterpret_cast<LPVOID>(static_cast<uintptr_t>(sizeof(void*) == 8 ? 0x7FFFFFFEFFFFull : 0x7FFEFFFFull));

    const DWORD count = system_facts::ReportedProcessorCount();
    systemInfo->dwNumberOfProcessors = count;
    const unsigned maskBits = 8 * sizeof(DWORD_PTR);
    systemInfo->dwActiveProcessorMask = count >= maskBits ? ~DWORD_PTR{0} : (DWORD_PTR{1} << count) - 1;
    systemInfo->dwProcessorType = kProcessorType;
    systemInfo->dwAllocationGranularity = 0x10000;

    const posix::CpuIdentity& identity = posix::MachineCpuIdentity();
    systemInfo->wProcessorLevel = static_cast<WORD>(identity.family);
    systemInfo->wProcessorRevision = static_cast<WORD>(((identity.model & 0xFF) << 8) | (identity.stepping & 0xFF));
}

UINT GetSystemDirectoryA(LPSTR buffer, UINT size)
{
    const std::string directory = posix::SystemDirectoryPath();
    const UINT length = static_cast<UINT>(directory.size());
    // Too small: nothing copied, the size needed (with the terminator) back.
    if (!buffer || size <= length) return length + 1;
    std::memcpy(buffer, directory.c_str(), length + 1);
    return length;
}
