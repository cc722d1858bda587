#include "platform/signature/TrustStore.h"
#include "platform/OpenSslOwners.h"

#include <openssl/err.h>
#include <openssl/pem.h>
#include <openssl/x509v3.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <vector>

namespace platform::signature {

namespace {

namespace fs = std::filesystem;

constexpr const char* kLifetimeSigningOid = "1.3.6.1.4.1.311.10.3.13";  // szOID_KP_LIFETIME_SIGNING

std::string CannotRead(const std::string& path, const std::string& reason)
{
    return "cannot read '" + path + "': " + reason;
}

// The certificates of one PEM file added to `store`; other blocks (keys) are passed over.
bool AddPemFile(X509_STORE* store, const std::string& path, int& added, std::string& error)
{
    errno = 0;
    const platform::OwnedBio bio(BIO_new_file(path.c_str(), "r"));
    if (!bio) {
        error = CannotRead(path, errno ? std::strerror(errno) : "cannot open");
        ERR_clear_error();
        return false;
    }
    while (X509* certificate = PEM_read_bio_X509(bio.get(), nullptr, nullptr, nullptr)) {
        // A root listed twice is no fault.
        if (X509_STORE_add_cert(store, certificate) == 1) ++added;
        X509_free(certificate);
    }
    ERR_clear_error();
    return true;
}

// Windows nests extended key usages: a certificate that restricts them must
// allow the usage, a CA's "any" allowing all. A time-stamping authority's
// own certificate must name time stamping (RFC 3161).
bool FitFor(X509* certificate, bool leaf, TrustStore::Usage usage)
{
    const bool stamping = usage == TrustStore::Usage::TimeStamping;
    if (!(X509_get_extension_flags(certificate) & EXFLAG_XKUSAGE)) return !(stamping && leaf);
    const std::uint32_t usages = X509_get_extended_key_usage(certificate);
    return (usages & (stamping ? XKU_TIMESTAMP : XKU_CODE_SIGN)) || (!leaf && (usages & XKU_ANYEKU));
}

}  // namespace

TrustStore::TrustStore() : m_store(X509_STORE_new()) {}

TrustStore::~TrustStore() = default;

std::string TrustStore::Load(const std::string& path)
{
    if (!m_store) return "cannot load '" + path + "': out of memory";
    std::error_code failure;
    const fs::file_status status = fs::status(path, failure);
    if (failure) return CannotRead(path, failure.message());

    std::vector<std::string> files;
    if (fs::is_directory(status)) {
        fs::directory_iterator entries(path, failure);
        for (; !failure && entries != fs::directory_iterator(); entries.increment(failure))
            if (entries->is_regular_file(failure)) files.push_back(entries->path().string());
        if (failure) return CannotRead(path, failure.message());
        std::sort(files.begin(), files.end());
    } else {
        files.push_back(path);
    }

    int added = 0;
    std::string error;
    for (const std::string& file : files)
        if (!AddPemFile(m_store.get(), file, added, error)) return error;
    if (added == 0) return "no certificate in '" + path + "'";
    return {};
}

bool TrustStore::HasLifetimeSigning(X509* certificate)
{
    if (!certificate) return false;
    const platform::OwnedKeyUsages usages(
        static_cast<EXTENDED_KEY_USAGE*>(X509_get_ext_d2i(certificate, NID_ext_key_usage, nullptr, nullptr)));
    const platform::OwnedAsnObject lifetime(OBJ_txt2obj(kLifetimeSigningOid, 1));
    if (!usages || !lifetime) return false;
    for (int i = 0; i < sk_ASN1_OBJECT_num(usages.get()); ++i)
        if (OBJ_cmp(sk_ASN1_OBJECT_value(usages.get(), i), lifetime.get()) == 0) return true;
    return false;
}

SignatureTrust TrustStore::Verify(X509* signer, STACK_OF(X509) * untrusted, std::optional<std::time_t> at,
                                  Usage usage) const
{
    const platform::OwnedStoreContext context(X509_STORE_CTX_new());
    if (!context || !signer || X509_STORE_CTX_init(context.get(), m_store.get(), signer, untrusted) != 1)
        return SignatureTrust::Untrusted;
    // As Windows judges a timestamped signature: at the time it was made.
    if (at) X509_STORE_CTX_set_time(context.get(), 0, *at);
    const bool chained = X509_verify_cert(context.get()) == 1;
    ERR_clear_error();
    if (!chained) return SignatureTrust::Untrusted;
    STACK_OF(X509)* chain = X509_STORE_CTX_get0_chain(context.get());
    for (int i = 0; i < sk_X509_num(chain); ++i)
        if (!FitFor(sk_X509_value(chain, i), i == 0, usage)) return SignatureTrust::Untrusted;
    return SignatureTrust::Trusted;
}

}  // namespace platform::signature
