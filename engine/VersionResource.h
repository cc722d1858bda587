#pragma once

#include <cstdint>

#include "framework/CString.h"

// What a module's version resource says, as the row shows it. Words are 0
// and the company empty when the file has no such resource.
struct ModuleVersionInfo {
    uint32_t productVersionMS = 0;
    uint32_t productVersionLS = 0;
    uint32_t fileVersionMS = 0;
    uint32_t fileVersionLS = 0;
    CString company;
};

ModuleVersionInfo ReadModuleVersionInfo(const char* path);
