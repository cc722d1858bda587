// Where a module keeps its version resource: found through the headers and
// the resource directory only, each read bounded by the file and by the
// structure it belongs to. Anything malformed on the way means "no version
// resource".
#pragma once

#include "platform/posix/version/bounded_file.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace version_reader {

enum class ModuleFormat {
    Pe,
    Ne
};

// Smallest version resources worth reading: a 32-bit block header, and for
// NE the size below which Windows' size formula would run negative.
constexpr std::uint32_t kMinimumPeVersionSize = 6;
constexpr std::uint32_t kMinimumNeVersionSize = 52;

// A stretch of a resource as a mapped image shows it: bytes of the file,
// then zeros.
struct ResourcePiece {
    std::uint64_t fileOffset;
    std::uint32_t fileBytes;
    std::uint32_t zeroBytes;
};

struct VersionResource {
    ModuleFormat format;
    std::uint64_t offset;  // in the file; [offset, offset + inFile) lies inside it
    std::uint32_t size;    // as the resource table states it
    std::uint32_t inFile;  // the bytes of it the file holds from `offset`: all of it but for NE
    // Not empty when the image shows the resource across sections: then
    // these pieces, in order, make it up.
    std::vector<ResourcePiece> pieces;
};

// Copies the first `length` bytes of the resource into `out` as Windows
// does: a PE resource whole (its image zeros included), an NE one as far
// as the file holds it. How many bytes it wrote, or nothing when the file
// no longer holds them.
std::optional<std::size_t> CopyVersionResource(const BoundedFile& file, const VersionResource& resource,
                                               std::uint8_t* out, std::size_t length);

// The version resource (type 16, id 1) of a PE or NE module; for PE in the
// language Windows would pick for `userLanguage`.
std::optional<VersionResource> FindVersionResource(const BoundedFile& file, WORD userLanguage);

// The halves for each format; `headerOffset` is e_lfanew.
std::optional<VersionResource> FindPeVersionResource(const BoundedFile& file, std::uint64_t headerOffset,
                                                     WORD userLanguage);
std::optional<VersionResource> FindNeVersionResource(const BoundedFile& file, std::uint64_t headerOffset);

}  // namespace version_reader
