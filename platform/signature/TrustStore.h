// Trust roots of the user's choosing, and the check of a signer's chain
// against them for code signing.
#pragma once

#include <openssl/x509.h>

#include <ctime>
#include <optional>
#include <string>

#include "platform/OpenSslOwners.h"
#include "platform/signature/ModuleSignature.h"

namespace platform::signature {

class TrustStore {
public:
    TrustStore();
    ~TrustStore();
    TrustStore(const TrustStore&) = delete;
    TrustStore& operator=(const TrustStore&) = delete;

    // A PEM file, or a folder whose files are PEM; empty when certificates
    // loaded, else the reason for the user.
    std::string Load(const std::string& path);

    enum class Usage {
        CodeSigning,
        TimeStamping
    };

    // The chain from `signer` through `untrusted` to a root, valid at `at`
    // (now when none), every certificate in it fit for `usage`.
    SignatureTrust Verify(X509* signer, STACK_OF(X509) * untrusted, std::optional<std::time_t> at,
                          Usage usage = Usage::CodeSigning) const;

    // Whether `certificate` names Lifetime Signing (1.3.6.1.4.1.311.10.3.13)
    // among its extended key usages: its signatures end with it, so Windows
    // judges its chain at the time of the check, time stamp or not.
    static bool HasLifetimeSigning(X509* certificate);

private:
    platform::OwnedStore m_store;
};

}  // namespace platform::signature
