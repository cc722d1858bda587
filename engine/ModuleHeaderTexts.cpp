#include "engine/ModuleHeaderTexts.h"

#include <cstdio>

#include "support/PeLayout.h"
#include "support/UtcTime.h"

std::string MachineText(const ModuleHeader& header)
{
    switch (header.kind) {
    case ModuleKind::NotAModule: return {};
    case ModuleKind::Ne: return "ne";
    case ModuleKind::Pe: break;
    }
    switch (header.machine) {
    case support::pe::kMachineI386: return "i386";
    case support::pe::kMachineAmd64: return "amd64";
    case support::pe::kMachineArm64: return "arm64";
    case support::pe::kMachineArm:    // as Windows CE built it
    case support::pe::kMachineArmNt:  // Thumb-2, as Windows on 32-bit ARM builds it
        return "arm";
    case support::pe::kMachineIa64: return "ia64";
    default: break;
    }
    char text[8];
    std::snprintf(text, sizeof text, "0x%04x", static_cast<unsigned>(header.machine));
    return text;
}

std::string SubsystemText(const ModuleHeader& header)
{
    if (header.kind != ModuleKind::Pe) return {};
    switch (header.subsystem) {
    case 1: return "native";
    case 2: return "windows-gui";
    case 3: return "windows-cui";
    case 7: return "posix-cui";
    case 9: return "windows-ce-gui";
    case 10: return "efi-application";
    case 11: return "efi-boot-service-driver";
    case 12: return "efi-runtime-driver";
    case 16: return "boot-application";
    default: return std::to_string(header.subsystem);
    }
}

std::string LinkTimeText(const ModuleHeader& header)
{
    return header.kind == ModuleKind::Pe ? support::UtcTimeText(header.timeDateStamp) : std::string();
}

const char* ManagedText(const ModuleHeader& header)
{
    return header.managed ? "true" : "false";
}
