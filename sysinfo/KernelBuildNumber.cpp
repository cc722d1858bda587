#include "sysinfo/KernelBuildNumber.h"

#include <cstdlib>

#include "platform/ProcAddress.h"
#include "platform/UniqueHandles.h"
#include "platform/version_block/VersionBlock.h"

namespace {

void TakeBuildFromKernelFile(const platform::VersionFunctions& version, OSVERSIONINFOEXA& os)
{
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    if (!kernel) return;
    char path[MAX_PATH] = "";
    GetModuleFileNameA(kernel, path, MAX_PATH);
    const platform::VersionBlock block = platform::VersionBlock::Read(version, path);
    // Every translation is tried: the last one with a product version decides.
    for (const platform::VersionTranslation& translation : block.Translations()) {
        const auto text = block.Text(translation, "ProductVersion");
        long build = 0;
        if (text && ThirdVersionNumber(text->c_str(), build)) os.dwBuildNumber = static_cast<DWORD>(build) & 0xFFFF;
    }
}

}  // namespace

void TakeBuildNumberFromKernel(OSVERSIONINFOEXA& os)
{
    // Released at the end only when loaded here.
    HMODULE versionDll = GetModuleHandleA("version.dll");
    platform::UniqueLoadedModule loadedHere;
    if (!versionDll) {
        loadedHere.Reset(LoadLibraryA("version.dll"));
        versionDll = loadedHere.Get();
    }
    if (!versionDll) return;

    platform::VersionFunctions version;
    version.getSize = LookUpFunction<platform::GetFileVersionInfoSizeAFn>(versionDll, "GetFileVersionInfoSizeA");
    version.getInfo = LookUpFunction<platform::GetFileVersionInfoAFn>(versionDll, "GetFileVersionInfoA");
    version.query = LookUpFunction<platform::VerQueryValueAFn>(versionDll, "VerQueryValueA");
    if (version.getSize && version.getInfo && version.query) TakeBuildFromKernelFile(version, os);
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
