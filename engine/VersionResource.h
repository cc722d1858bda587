#pragma once

#include <cstdint>

#include "framework/CString.h"
#include "platform/version_block/VersionBlock.h"

// What a module's version resource says, as the row shows it. Words are 0
// and the company empty when the file has no such resource.
struct ModuleVersionInfo {
    uint32_t productVersionMS = 0;
    uint32_t productVersionLS = 0;
    uint32_t fileVersionMS = 0;
    uint32_t fileVersionLS = 0;
    CString company;
    // Whether the block had them: a row shows the words as 0 and the
    // company empty either way, a typed output tells the two apart.
    bool fixedInfoFound = false;
    bool companyFound = false;
};

ModuleVersionInfo VersionInfoOf(const platform::VersionBlock& block);
