#include "engine/ModuleHead.h"

#include <algorithm>
#include <cstring>

ModuleHead::ModuleHead(const platform::ModuleFile& file) : m_file(file), m_fileSize(file.Size())
{
    const std::size_t wanted = static_cast<std::size_t>(std::min<std::uint64_t>(m_fileSize, kPageSize));
    m_size = file.ReadAt(0, m_bytes, wanted).value_or(0);
}

std::size_t ModuleHead::Read(std::uint64_t offset, void* out, std::size_t count) const
{
    if (offset >= m_fileSize) return 0;
    count = static_cast<std::size_t>(std::min<std::uint64_t>(count, m_fileSize - offset));
    if (offset + count <= m_size) {
        std::memcpy(out, m_bytes + offset, count);
        return count;
    }
    return m_file.ReadAt(offset, out, count).value_or(0);
}
