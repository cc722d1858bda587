// The first page of an open module file, read once: the bitness probe, the
// header facts and the signature's table all look there first, and read a
// field alone only where it lies further.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/file/ModuleFile.h"

class ModuleHead {
public:
    // Where a linker puts every header of a module but a crafted one.
    static constexpr std::size_t kPageSize = 4096;

    // Reads up to a page at the start of `file` (which outlives this).
    explicit ModuleHead(const platform::ModuleFile& file);

    std::uint64_t FileSize() const { return m_fileSize; }
    const std::uint8_t* Bytes() const { return m_bytes; }
    std::size_t Size() const { return m_size; }

    // Up to `count` bytes at `offset` into `out`, from the page when it
    // holds them, else read alone; how many, fewer only where the file ends
    // (0 when the read fails).
    std::size_t Read(std::uint64_t offset, void* out, std::size_t count) const;

private:
    const platform::ModuleFile& m_file;
    std::uint64_t m_fileSize;
    std::uint8_t m_bytes[kPageSize];
    std::size_t m_size = 0;
};
