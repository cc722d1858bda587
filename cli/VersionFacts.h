// What --fields shows of a module's version resource, read through the
// platform's version functions.
#pragma once

#include <optional>
#include <string>

#include "platform/version_block/VersionBlock.h"

// "6.1.7601.17514" from the two words of a fixed-info version.
std::string VersionNumberText(DWORD mostSignificant, DWORD leastSignificant);

// The set flags of the fixed info as "debug,prerelease,..." (may be empty).
std::string FileFlagsText(const VS_FIXEDFILEINFO& fixed);

// The eight hex digits of the last translation whose string table exists.
std::optional<std::string> TranslationText(const platform::VersionBlock& block);
