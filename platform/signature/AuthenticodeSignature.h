// An Authenticode signature read with OpenSSL's libcrypto: the PKCS#7
// SignedData of a certificate table entry, whose content (an
// SpcIndirectDataContent) states the digest of the image, signed by one
// signer with its certificate among the signature's own.
#pragma once

#include <openssl/pkcs7.h>
#include <openssl/x509.h>

#include "platform/OpenSslOwners.h"

#include <cstdint>
#include <ctime>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace platform::signature {

struct AuthenticodeSignature {
    // Set when the structure reads as a PE image's Authenticode signature as
    // Windows takes one (one signer, its digest algorithm listed, the
    // indirect data's content type also signed, a PE image's data and
    // nothing after its DigestInfo), whether or not it verifies.
    bool readable = false;
    const EVP_MD* imageDigest = nullptr;  // the algorithm of the stated image digest
    std::string digestName;               // "sha256" and so on
    std::vector<std::uint8_t> signedImageDigest;
    // The signer's signature over the content (through its authenticated
    // attributes) holds, with the key of the signer's certificate.
    bool signatureVerifies = false;
    std::string signer;
    std::string signedOn;

    // A time stamp whose signature holds, whose imprint is the signer's
    // signature value and whose authority's certificate was valid at the
    // time it states; the signer's own signingTime is no time stamp.
    struct TimeStamp {
        std::time_t time = 0;
        X509* authority = nullptr;                // the time-stamping authority's certificate
        STACK_OF(X509) * certificates = nullptr;  // where the rest of its chain may be
        platform::OwnedPkcs7 token;               // owns both for an RFC 3161 token
    };
    std::optional<TimeStamp> timestamp;

    platform::OwnedPkcs7 pkcs7;
    X509* signerCertificate = nullptr;  // owned by `pkcs7`
};

AuthenticodeSignature ReadAuthenticode(const std::uint8_t* der, std::size_t size);

// A SignerInfo's signature over `content` holds with `certificate`'s key
// (through its authenticated attributes when it has them).
bool SignerInfoHolds(PKCS7_SIGNER_INFO* info, X509* certificate, const unsigned char* content, std::size_t size);

// What the signer's certificate and attributes tell (SignatureFacts_openssl.cpp).
std::string SignerName(X509* certificate);
// The signing time: a time stamp's when one verifies (and then `timestamp`),
// else the signer's own claim.
void ReadSigningTime(PKCS7_SIGNER_INFO* signerInfo, AuthenticodeSignature& signature);

}  // namespace platform::signature
