// How GetFileVersionInfoA leaves the copy of a version resource in the
// caller's buffer, so that VerQueryValueA reads it as Windows reads its own.
#pragma once

#include "platform/posix/version/version_resource.h"

#include <cstddef>
#include <cstdint>

namespace version_reader {

// `copied` bytes of the resource are in `data`, a buffer of `bufferLength`.
void FinishCopy(std::uint8_t* data, std::size_t copied, DWORD bufferLength, ModuleFormat format);

}  // namespace version_reader
