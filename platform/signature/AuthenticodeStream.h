// The Authenticode digest of a PE module, streamed: the file's bytes in
// order, less the CheckSum field, the security directory entry and the
// certificate table. What comes after the table is digested too, so data
// appended outside the table changes the digest, as Windows sees it.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>

#include "platform/signature/CertificateTable.h"

namespace platform::signature {

class AuthenticodeStream {
public:
    // `digest` takes each kept run of bytes; false from it ends the stream.
    using Sink = std::function<bool(const std::uint8_t* data, std::size_t size)>;

    AuthenticodeStream(const CertificateTableLayout& layout, Sink digest);

    // The file's next `size` bytes; false once the sink has refused.
    bool Feed(const std::uint8_t* data, std::size_t size);

private:
    struct Range {
        std::uint64_t begin;
        std::uint64_t end;
    };
    std::array<Range, 3> m_excluded;
    Sink m_digest;
    std::uint64_t m_position = 0;
    bool m_failed = false;
};

}  // namespace platform::signature
