#include "platform/signature/AuthenticodeStream.h"

#include <algorithm>
#include <utility>

namespace platform::signature {

AuthenticodeStream::AuthenticodeStream(const CertificateTableLayout& layout, Sink digest)
    : m_excluded{{{layout.checkSumOffset, layout.checkSumOffset + 4},
                  {layout.directoryEntryOffset, layout.directoryEntryOffset + 8},
                  {layout.tableOffset, layout.tableOffset + layout.tableSize}}},
      m_digest(std::move(digest))
{
}

bool AuthenticodeStream::Feed(const std::uint8_t* data, std::size_t size)
{
    if (m_failed) return false;
    const std::uint64_t end = m_position + size;
    std::uint64_t at = m_position;
    // Hostile headers may make the ranges overlap or lie in any order: each
    // step keeps bytes up to the nearest range ahead or skips the one it is in.
    while (at < end) {
        std::uint64_t keepUntil = end;
        std::uint64_t skipUntil = at;
        for (const Range& range : m_excluded) {
            if (range.begin <= at && at < range.end) skipUntil = std::max(skipUntil, range.end);
            else if (range.begin > at) keepUntil = std::min(keepUntil, range.begin);
        }
        if (skipUntil > at) {
            at = std::min(skipUntil, end);
            continue;
        }
        if (!m_digest(data + (at - m_position), static_cast<std::size_t>(keepUntil - at))) {
            m_failed = true;
            return false;
        }
        at = keepUntil;
    }
    m_position = end;
    return true;
}

}  // namespace platform::signature
