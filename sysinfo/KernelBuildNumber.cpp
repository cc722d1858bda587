#include "sysinfo/KernelBuildNumber.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>

#include "platform/ProcAddress.h"
#include "sysinfo/RuntimeFunctions.h"

namespace {

struct VersionFunctions {
    GetFileVersionInfoSizeAFn getSize;
    GetFileVersionInfoAFn getInfo;
    VerQueryValueAFn query;
};

void TakeBuildFromProductVersions(const VersionFunctions& version, const void* block, OSVERSIONINFOEXA& os)
{
    LPVOID table = nullptr;
    UINT tableLength = 0;
    if (!version.query(block, "\\VarFileInfo\\Translation", &table, &tableLength) || !table) return;
    const auto* entries = static_cast<const unsigned char*>(table);
    for (UINT i = 0; i < tableLength / 4; ++i) {
        // Language id, then code page; the table need not be aligned.
        WORD language = 0, codePage = 0;
        std::memcpy(&language, entries + 4 * i, 2);
        std::memcpy(&codePage, entries + 4 * i + 2, 2);
        char query[64];
        std::snprintf(query, sizeof query, "\\StringFileInfo\\%04x%04x\\ProductVersion", language, codePage);
        LPVOID text = nullptr;
        UINT textLength = 0;
        if (!version.query(block, query, &text, &textLength) || !text) continue;
        long build = 0;
        if (ThirdVersionNumber(static_cast<const char*>(text), build)) {
            os.dwBuildNumber = static_cast<DWORD>(build) & 0xFFFF;
        }
    }
}

void TakeBuildFromKernelFile(const VersionFunctions& version, OSVERSIONINFOEXA& os)
{
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    if (!kernel) return;
    char path[MAX_PATH] = "";
    GetModuleFileNameA(kernel, path, MAX_PATH);
    DWORD handle = 0;
    const DWORD size = version.getSize(path, &handle);
    if (size == 0) return;
    std::unique_ptr<unsigned char[]> block(new (std::nothrow) unsigned char[size]);
    if (!block) return;
    version.getInfo(path, handle, size, block.get());
    TakeBuildFromProductVersions(version, block.get(), os);
}

}  // namespace

void TakeBuildNumberFromKernel(OSVERSIONINFOEXA& os)
{
    // Released at the end only when loaded here.
    HMODULE versionDll = GetModuleHandleA("version.dll");
    const bool loadedHere = versionDll == nullptr;
    if (loadedHere) versionDll = LoadLibraryA("version.dll");
    if (!versionDll) return;

    const VersionFunctions version{
        LookUpFunction<GetFileVersionInfoSizeAFn>(versionDll, "GetFileVersionInfoSizeA"),
        LookUpFunction<GetFileVersionInfoAFn>(versionDll, "GetFileVersionInfoA"),
        LookUpFunction<VerQueryValueAFn>(versionDll, "VerQueryValueA"),
    };
    if (version.getSize && version.getInfo && version.query) TakeBuildFromKernelFile(version, os);

    if (loadedHere) FreeLibrary(versionDll);
}

bool ThirdVersionNumber(const char* text, long& number)
{
    char* rest = nullptr;
    std::strtol(text, &rest, 10);
    if (*rest == '\0') return false;
    std::strtol(rest + 1, &rest, 10);
    if (*rest == '\0') return false;
    number = std::strtol(rest + 1, nullptr, 10);
    return true;
}
