// Side-by-side assemblies: the dependentAssembly identities of a manifest,
// and the WinSxS folder that holds each (name, architecture, public key
// token, language, and the highest version with the major.minor asked for).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "loader/DirectoryTable.h"

namespace loader {

struct AssemblyIdentity {
    std::string name;                   // "Microsoft.Windows.Common-Controls"
    std::string version;                // "6.0.0.0"
    std::string processorArchitecture;  // "x86", "amd64", "*", or empty
    std::string publicKeyToken;         // "6595b64144ccf1df", or empty
    std::string language;               // "*", "en-us", or empty
};

// The assemblies a manifest's <dependency><dependentAssembly> elements name.
// The text may be UTF-8 (with or without a BOM) or UTF-16LE with its BOM.
std::vector<AssemblyIdentity> DependentAssemblies(const std::string& manifest);

// "amd64" for a machine type as WinSxS folder names spell it ("x86", "arm64",
// "arm"); empty for one it does not know.
std::string SxsArchitecture(std::uint16_t machine);

// The folder below `winSxS` that holds `identity` for a program of
// `machine`; none when there is no such folder.
std::optional<std::string> FindAssemblyFolder(DirectoryTable& directories, const std::string& winSxS,
                                              const AssemblyIdentity& identity, std::uint16_t machine);

// "Microsoft.Windows.Common-Controls 6.0.0.0 amd64 6595b64144ccf1df", for messages.
std::string AssemblyText(const AssemblyIdentity& identity);

}  // namespace loader
