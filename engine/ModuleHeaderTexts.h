// The header facts as the console scanner writes them.
#pragma once

#include <cstdint>
#include <string>

#include "engine/ModuleHeader.h"

// "i386", "amd64", "arm64", "arm" (0x1C0 and Thumb-2's 0x1C4 alike), "ia64",
// else "0x" and four lower-case hex digits; "ne" for a 16-bit module; empty
// when the file is no module.
std::string MachineText(const ModuleHeader& header);

// "windows-gui", "windows-cui", "native", ... for the subsystems known by
// name, else the decimal number; empty unless a PE module.
std::string SubsystemText(const ModuleHeader& header);

// TimeDateStamp as "2023-02-18T22:16:05Z"; empty unless a PE module. A
// linker that stamps no time writes 0, shown as 1970-01-01T00:00:00Z.
std::string LinkTimeText(const ModuleHeader& header);

// "true" or "false".
const char* ManagedText(const ModuleHeader& header);
