#include "engine/VersionResource.h"

#include "platform/version_block/VersionBlock.h"

ModuleVersionInfo ReadModuleVersionInfo(const char* path)
{
    ModuleVersionInfo info;
    const platform::VersionBlock block =
        platform::VersionBlock::Read(platform::LinkedVersionFunctions(), path);
    if (block.IsEmpty()) return info;
    if (const auto fixed = block.FixedInfo()) {
        info.productVersionMS = fixed->dwProductVersionMS;
        info.productVersionLS = fixed->dwProductVersionLS;
        info.fileVersionMS = fixed->dwFileVersionMS;
        info.fileVersionLS = fixed->dwFileVersionLS;
    }
    // The CompanyName of the last translation that has one, even an empty one.
    for (const platform::VersionTranslation& translation : block.Translations()) {
        if (const auto company = block.Text(translation, "CompanyName")) {
            info.company = CString(company->data(), static_cast<int>(company->size()));
        }
    }
    return info;
}
