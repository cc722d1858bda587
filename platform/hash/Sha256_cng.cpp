// The hasher over Windows' CNG primitives.
#include "platform/win32.h"

#include <bcrypt.h>

#include <climits>
#include <vector>

#include "platform/hash/Sha256.h"

namespace platform {

struct Sha256::State {
    BCRYPT_ALG_HANDLE algorithm = nullptr;
    BCRYPT_HASH_HANDLE hash = nullptr;
    // Windows 7 wants the caller to hold the hash object's memory.
    std::vector<UCHAR> hashObject;

    ~State()
    {
        if (hash) BCryptDestroyHash(hash);
        if (algorithm) BCryptCloseAlgorithmProvider(algorithm, 0);
    }

    bool Open()
    {
        if (!BCRYPT_SUCCESS(BCryptOpenAlgorithmProvider(&algorithm, BCRYPT_SHA256_ALGORITHM, nullptr, 0))) return false;
        DWORD objectLength = 0;
        ULONG written = 0;
        if (!BCRYPT_SUCCESS(BCryptGetProperty(algorithm, BCRYPT_OBJECT_LENGTH, reinterpret_cast<PUCHAR>(&objectLength),
                                              sizeof objectLength, &written, 0)) ||
            written != sizeof objectLength)
            return false;
        hashObject.resize(objectLength);
        return BCRYPT_SUCCESS(BCryptCreateHash(algorithm, &hash, hashObject.data(), objectLength, nullptr, 0, 0));
    }
};

Sha256::Sha256() : m_state(std::make_unique<State>())
{
    if (!m_state->Open()) m_state.reset();
}

Sha256::~Sha256() = default;

bool Sha256::Update(const void* data, std::size_t size)
{
    if (!m_state) return false;
    // BCryptHashData takes a ULONG count: hand a larger block over in parts.
    auto* bytes = static_cast<PUCHAR>(const_cast<void*>(data));
    while (size > 0) {
        const ULONG part = size > ULONG_MAX ? ULONG_MAX : static_cast<ULONG>(size);
        if (!BCRYPT_SUCCESS(BCryptHashData(m_state->hash, bytes, part, 0))) {
            m_state.reset();
            return false;
        }
        bytes += part;
        size -= part;
    }
    return true;
}

std::optional<Sha256Digest> Sha256::Finish()
{
    if (!m_state) return std::nullopt;
    Sha256Digest digest{};
    const bool done = BCRYPT_SUCCESS(BCryptFinishHash(m_state->hash, digest.data(), digest.size(), 0));
    m_state.reset();
    if (!done) return std::nullopt;
    return digest;
}

}  // namespace platform
