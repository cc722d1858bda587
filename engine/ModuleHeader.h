// The facts of a module's executable header that the console scanner's
// extra fields show: what kind of module, for which machine, linked when,
// for which subsystem, and whether it holds managed (.NET) code.
#pragma once

#include <cstdint>

#include "engine/ModuleHead.h"

enum class ModuleKind {
    NotAModule,  // too short, no "MZ", no NE or PE header where e_lfanew points, or headers cut short
    Ne,          // a 16-bit module: "NE" at e_lfanew
    Pe,          // PE32 or PE32+
};

struct ModuleHeader {
    ModuleKind kind = ModuleKind::NotAModule;
    // The rest holds for a PE module only; zero or false otherwise.
    std::uint16_t machine = 0;        // IMAGE_FILE_HEADER.Machine
    std::uint32_t timeDateStamp = 0;  // IMAGE_FILE_HEADER.TimeDateStamp, seconds since 1970 UTC
    std::uint16_t subsystem = 0;      // optional header's Subsystem
    bool pe32Plus = false;            // Magic 0x20B rather than 0x10B
    // The CLR runtime header's directory (14) is there: NumberOfRvaAndSizes
    // over 14 and both its address and size non-zero, as the loader decides.
    bool managed = false;
};

// Reads the headers from the head of an open module: a few hundred bytes at
// most, each read bounded by the file's 64-bit size, so a hostile or
// truncated file gives NotAModule and never a read past its end.
ModuleHeader ReadModuleHeader(const ModuleHead& head);
