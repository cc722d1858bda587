// The Authenticode digest of a PE module, streamed: the file's bytes come in
// order, and those inside the ranges to digest (in file order, apart, as
// DigestRanges gives them) go on to the digest.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include "platform/signature/DigestRanges.h"

namespace platform::signature {

class AuthenticodeStream {
public:
    // `digest` takes each kept run of bytes; false from it ends the stream.
    using Sink = std::function<bool(const std::uint8_t* data, std::size_t size)>;

    AuthenticodeStream(std::vector<ByteRange> digested, Sink digest);

    // The file's next `size` bytes; false once the sink has refused.
    bool Feed(const std::uint8_t* data, std::size_t size);

    // Every range has been fed: the bytes after them are not needed.
    bool Complete() const { return m_next == m_digested.size(); }
    // Where the last range ends: how far the file must be read.
    std::uint64_t End() const { return m_digested.empty() ? 0 : m_digested.back().end; }

private:
    std::vector<ByteRange> m_digested;
    Sink m_digest;
    std::size_t m_next = 0;  // the first range not yet fed whole
    std::uint64_t m_position = 0;
    bool m_failed = false;
};

}  // namespace platform::signature
