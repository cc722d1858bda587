// The hasher over OpenSSL's EVP digest interface.
#include <openssl/evp.h>

#include "platform/OpenSslOwners.h"
#include "platform/hash/Sha256.h"

namespace platform {

struct Sha256::State {
    OwnedDigestContext context{EVP_MD_CTX_new()};
};

Sha256::Sha256() : m_state(std::make_unique<State>())
{
    if (!m_state->context || EVP_DigestInit_ex(m_state->context.get(), EVP_sha256(), nullptr) != 1) m_state.reset();
}

Sha256::~Sha256() = default;

bool Sha256::Update(const void* data, std::size_t size)
{
    if (!m_state) return false;
    if (EVP_DigestUpdate(m_state->context.get(), data, size) == 1) return true;
    m_state.reset();
    return false;
}

std::optional<Sha256Digest> Sha256::Finish()
{
    if (!m_state) return std::nullopt;
    Sha256Digest digest{};
    unsigned int length = 0;
    const bool done =
        EVP_DigestFinal_ex(m_state->context.get(), digest.data(), &length) == 1 && length == digest.size();
    m_state.reset();
    if (!done) return std::nullopt;
    return digest;
}

}  // namespace platform
