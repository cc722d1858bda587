// The bitness a module's bytes call for, worked out from the whole file in
// memory by the documented header rules: the answer the probe, which reads
// only three fields from disk, must give.
#pragma once

#include <cstddef>
#include <cstdint>

namespace fuzz {

// 16, 32, 64, or 0; 0 also for a file shorter than the 64-byte MS-DOS header.
int BitnessFromHeader(const std::uint8_t* bytes, std::size_t size);

}  // namespace fuzz
