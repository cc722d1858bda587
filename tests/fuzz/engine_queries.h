// The questions the engine asks a module's version resource, asked the same
// way (size query, copy into a zero-filled block of size + 10 bytes given as
// `size` bytes, then the root, the Translation table and CompanyName for
// every translation), with every byte of every answer read so that a
// sanitizer sees reads outside, and every promise of the three functions
// checked. The fuzz targets and the replay suite share this.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct ModuleVersionInfo;

namespace fuzz {

struct VersionAnswers {
    std::uint32_t size = 0;  // what GetFileVersionInfoSizeA said
    bool copied = false;     // GetFileVersionInfoA succeeded
    bool fixedFound = false;
    std::uint32_t fixedLength = 0;
    // From the root value when it is at least a VS_FIXEDFILEINFO long, else 0.
    std::uint32_t productVersionMS = 0, productVersionLS = 0;
    std::uint32_t fileVersionMS = 0, fileVersionLS = 0;
    bool translationFound = false;
    std::vector<std::uint32_t> translations;  // language | code page << 16
    bool companyFound = false;                // some translation's CompanyName exists
    std::string company;                      // the last one that exists
    // Broken promises: reads or writes outside the block, a pointer moved by
    // a failed query, a copy refused after a size was given, ...
    std::vector<std::string> faults;
};

VersionAnswers AskLikeTheEngine(const char* path);

// Faults where the engine's own reading of the file (InspectModule)
// differs from `answers`.
std::vector<std::string> CompareWithEngine(const VersionAnswers& answers, const ModuleVersionInfo& engine);

// The reader picks a PE resource's language by the locale; inputs are read
// and replayed under one that differs from US English and from its own
// neutral form, so that every step of that choice is taken.
void PinReaderLanguage();

}  // namespace fuzz
