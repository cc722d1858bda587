#include "engine/VersionResource.h"

ModuleVersionInfo VersionInfoOf(const platform::VersionBlock& block)
{
    ModuleVersionInfo info;
    if (block.IsEmpty()) return info;
    if (const auto fixed = block.FixedInfo()) {
        info.productVersionMS = fixed->dwProductVersionMS;
        info.productVersionLS = fixed->dwProductVersionLS;
        info.fileVersionMS = fixed->dwFileVersionMS;
        info.fileVersionLS = fixed->dwFileVersionLS;
        info.fixedInfoFound = true;
    }
    if (const auto company = block.LastTranslationText("CompanyName")) {
        info.company = CString(company->data(), static_cast<int>(company->size()));
        info.companyFound = true;
    }
    return info;
}
