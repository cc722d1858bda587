// SHA-256 through the platform's own cryptography: CNG on Windows, OpenSSL's
// libcrypto elsewhere. Modaris computes no digest itself.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "platform/file/ModuleFile.h"

namespace platform {

using Sha256Digest = std::array<std::uint8_t, 32>;

// A streaming hasher: Update any number of times, then Finish once. A
// hasher whose provider failed (or that has finished) refuses both.
class Sha256 {
public:
    Sha256();
    ~Sha256();
    Sha256(const Sha256&) = delete;
    Sha256& operator=(const Sha256&) = delete;

    bool Update(const void* data, std::size_t size);
    std::optional<Sha256Digest> Finish();

private:
    struct State;  // the provider's objects, in the platform's own file
    std::unique_ptr<State> m_state;
};

// Lower-case hex, 64 characters.
std::string HexText(const Sha256Digest& digest);

// The digest of the whole of an open file as lower-case hex, read in large
// chunks up to its size at the open; none when it cannot be read, when it
// changed while read, or when the provider fails.
// `keepReading` cleared: none, from the next chunk on.
std::optional<std::string> Sha256OfFile(const ModuleFile& file, const KeepReadingFlag* keepReading = nullptr);
// The same for the file at `path`, opened sharing reading.
std::optional<std::string> Sha256OfFile(const char* path);

}  // namespace platform
