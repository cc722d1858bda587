// The three-level resource directory of a PE image (type, name, language),
// walked to the data entry of the version resource.
#pragma once

#include "platform/posix/version/bounded_file.h"

#include <cstdint>
#include <optional>

namespace version_reader {

struct ResourceDataEntry {
    std::uint32_t rva;
    std::uint32_t size;
};

// Windows finds a resource in one of two ways: in the module mapped as an
// image (the loader's lookup), or, when it cannot be mapped, in the file
// itself. They differ in the language they settle on.
enum class ResourceLookup {
    Image,
    File
};

// `root` is the file offset of the root directory; every directory, entry
// and data entry must end by `limit` (the end of the resource section).
// Exactly three levels are walked and each must have the expected kind
// (subdirectory, subdirectory, data), so entries that point back at a
// directory cannot make the walk loop.
std::optional<ResourceDataEntry> FindVersionDataEntry(const BoundedFile& file, std::uint64_t root, std::uint64_t limit,
                                                      WORD userLanguage, ResourceLookup lookup);

}  // namespace version_reader
