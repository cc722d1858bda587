// The check without Windows: the Authenticode digest computed here in the
// same pass that hashes the file, compared with the one the signature
// states, and the signature itself verified with libcrypto.
#include <openssl/evp.h>

#include <algorithm>

#include "platform/signature/AuthenticodeSignature.h"
#include "platform/OpenSslOwners.h"
#include "platform/signature/ModulePass.h"
#include "platform/signature/ModuleSignature.h"
#include "platform/signature/TrustStore.h"

namespace platform {

using namespace signature;

struct SignatureChecker::Roots {
    TrustStore store;
};

namespace {

SignatureCheck Verdict(const AuthenticodeSignature& signature, EVP_MD_CTX* digest, bool digested)
{
    // A signature that does not hold vouches for no digest.
    if (!signature.readable || !signature.signatureVerifies || !digested) return SignatureCheck::Broken;
    unsigned char computed[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    if (EVP_DigestFinal_ex(digest, computed, &length) != 1) return SignatureCheck::Broken;
    const bool same = length == signature.signedImageDigest.size() &&
                      std::equal(computed, computed + length, signature.signedImageDigest.begin());
    return same ? SignatureCheck::Intact : SignatureCheck::Tampered;
}

// The time the signer's chain is judged at: a verified time stamp's, when
// its authority chains to the same roots for time stamping (valid at its
// own time) and the signer's certificate is not for Lifetime Signing; else now.
std::optional<std::time_t> TrustTime(const AuthenticodeSignature& signature, const TrustStore& store)
{
    const auto& stamp = signature.timestamp;
    if (!stamp || TrustStore::HasLifetimeSigning(signature.signerCertificate)) return std::nullopt;
    const SignatureTrust authority =
        store.Verify(stamp->authority, stamp->certificates, stamp->time, TrustStore::Usage::TimeStamping);
    return authority == SignatureTrust::Trusted ? std::optional<std::time_t>(stamp->time) : std::nullopt;
}

}  // namespace

SignatureChecker::SignatureChecker(const std::string& trustRoots)
{
    if (trustRoots.empty()) return;
    m_roots = std::make_unique<Roots>();
    m_loadError = m_roots->store.Load(trustRoots);
    if (!m_loadError.empty()) m_roots.reset();
}

SignatureChecker::~SignatureChecker() = default;

const std::string& SignatureChecker::LoadError() const
{
    return m_loadError;
}

ModuleSignature SignatureChecker::Check(const char* path, Sha256* wholeFile, bool* wholeFileComplete) const
{
    return Check(ModuleFile(path, FileSharing::Readers), path, wholeFile, wholeFileComplete, nullptr);
}

ModuleSignature SignatureChecker::Check(const ModuleFile& file, const char* path, Sha256* wholeFile,
                                        bool* wholeFileComplete, const KeepReadingFlag* keepReading) const
{
    AuthenticodeSignature signature;
    platform::OwnedDigestContext digest;
    const DigestChooser chooseDigest = [&](const std::vector<std::uint8_t>& signedData) -> AuthenticodeStream::Sink {
        signature = ReadAuthenticode(signedData.data(), signedData.size());
        if (!signature.readable || !signature.signatureVerifies) return {};
        digest.reset(EVP_MD_CTX_new());
        if (!digest || EVP_DigestInit_ex(digest.get(), signature.imageDigest, nullptr) != 1) return {};
        EVP_MD_CTX* context = digest.get();
        return [context](const std::uint8_t* data, std::size_t size) {
            return EVP_DigestUpdate(context, data, size) == 1;
        };
    };
    const ModulePass pass = ReadModule(file, wholeFile, chooseDigest, keepReading);
    if (wholeFileComplete) *wholeFileComplete = wholeFile && pass.wholeFileFed && pass.Sound();

    ModuleSignature result;
    if (!pass.Sound()) return result;
    result.read = true;
    if (pass.location.state == TableState::None) return result;
    result.kind = SignatureKind::Embedded;
    result.check = SignatureCheck::Broken;
    if (pass.location.state != TableState::Broken && pass.entry != EntryState::Broken)
        result.check = Verdict(signature, digest.get(), pass.digested);
    // A broken signature's signer and times are claims nobody vouches for.
    if (result.check != SignatureCheck::Broken) {
        result.signer = signature.signer;
        result.signedOn = signature.signedOn;
        result.digestAlgorithm = signature.digestName;
    }
    // With roots to judge by, a signature that is not intact vouches for nobody.
    if (m_roots)
        result.trust = result.check == SignatureCheck::Intact
                           ? m_roots->store.Verify(signature.signerCertificate, signature.pkcs7->d.sign->cert,
                                                   TrustTime(signature, m_roots->store))
                           : SignatureTrust::Untrusted;
    return result;
}

}  // namespace platform
