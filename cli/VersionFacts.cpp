#include "cli/VersionFacts.h"

#include <cstdio>

std::string VersionNumberText(DWORD mostSignificant, DWORD leastSignificant)
{
    char text[48];
    std::snprintf(text, sizeof text, "%u.%u.%u.%u", static_cast<unsigned>(mostSignificant >> 16),
                  static_cast<unsigned>(mostSignificant & 0xFFFF), static_cast<unsigned>(leastSignificant >> 16),
                  static_cast<unsigned>(leastSignificant & 0xFFFF));
    return text;
}

std::string FileFlagsText(const VS_FIXEDFILEINFO& fixed)
{
    // VS_FF_DEBUG to VS_FF_SPECIALBUILD, in the order of their bits.
    static const struct {
        DWORD flag;
        const char* name;
    } kFlags[] = {{0x01, "debug"},        {0x02, "prerelease"},   {0x04, "patched"},
                  {0x08, "privatebuild"}, {0x10, "infoinferred"}, {0x20, "specialbuild"}};
    const DWORD set = fixed.dwFileFlags & fixed.dwFileFlagsMask;
    std::string text;
    for (const auto& flag : kFlags) {
        if (set & flag.flag) text += (text.empty() ? "" : ",") + std::string(flag.name);
    }
    return text;
}

std::optional<std::string> TranslationText(const platform::VersionBlock& block)
{
    std::optional<std::string> used;
    for (const platform::VersionTranslation& translation : block.Translations()) {
        if (!block.HasStringTable(translation)) continue;
        char text[16];
        std::snprintf(text, sizeof text, "%04x%04x", translation.language, translation.codePage);
        used = text;
    }
    return used;
}
