#include "platform/signature/AuthenticodeStream.h"

#include <algorithm>
#include <utility>

namespace platform::signature {

AuthenticodeStream::AuthenticodeStream(std::vector<ByteRange> digested, Sink digest)
    : m_digested(std::move(digested)), m_digest(std::move(digest))
{
}

bool AuthenticodeStream::Feed(const std::uint8_t* data, std::size_t size)
{
    if (m_failed) return false;
    const std::uint64_t end = m_position + size;
    while (m_next < m_digested.size() && m_digested[m_next].begin < end) {
        const ByteRange& range = m_digested[m_next];
        const std::uint64_t from = std::max(range.begin, m_position);
        const std::uint64_t to = std::min(range.end, end);
        if (from < to && !m_digest(data + (from - m_position), static_cast<std::size_t>(to - from))) {
            m_failed = true;
            return false;
        }
        if (range.end > end) break;
        ++m_next;
    }
    m_position = end;
    return true;
}

}  // namespace platform::signature
