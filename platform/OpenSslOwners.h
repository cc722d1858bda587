// One owner per kind of OpenSSL object, as platform/UniqueHandles.h has one
// per kind of Win32 handle: each frees its object with the one function
// OpenSSL gives for it, on every way out, and cannot be copied. For the
// readers over libcrypto (Linux) only.
#pragma once

#include <openssl/bio.h>
#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <openssl/pkcs7.h>
#include <openssl/ts.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

#include <memory>

namespace platform {

template <class Object, void (*Free)(Object*)>
struct OpenSslFree {
    void operator()(Object* object) const { Free(object); }
};

template <class Object, void (*Free)(Object*)>
using OpenSslOwner = std::unique_ptr<Object, OpenSslFree<Object, Free>>;

// OPENSSL_free is a macro: the bytes libcrypto hands out (i2d_*, ASN1_STRING_to_UTF8).
inline void FreeOpenSslBytes(unsigned char* bytes)
{
    OPENSSL_free(bytes);
}

using OwnedAsnObject = OpenSslOwner<ASN1_OBJECT, ASN1_OBJECT_free>;
using OwnedBio = OpenSslOwner<BIO, BIO_free_all>;
using OwnedBytes = OpenSslOwner<unsigned char, FreeOpenSslBytes>;
using OwnedDigestContext = OpenSslOwner<EVP_MD_CTX, EVP_MD_CTX_free>;
using OwnedDigestInfo = OpenSslOwner<X509_SIG, X509_SIG_free>;
using OwnedKeyUsages = OpenSslOwner<EXTENDED_KEY_USAGE, EXTENDED_KEY_USAGE_free>;
using OwnedPkcs7 = OpenSslOwner<PKCS7, PKCS7_free>;
using OwnedSignerInfo = OpenSslOwner<PKCS7_SIGNER_INFO, PKCS7_SIGNER_INFO_free>;
using OwnedStore = OpenSslOwner<X509_STORE, X509_STORE_free>;
using OwnedStoreContext = OpenSslOwner<X509_STORE_CTX, X509_STORE_CTX_free>;
using OwnedTimeStampInfo = OpenSslOwner<TS_TST_INFO, TS_TST_INFO_free>;

}  // namespace platform
