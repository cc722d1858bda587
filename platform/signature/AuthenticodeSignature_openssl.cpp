#include "platform/signature/AuthenticodeSignature.h"
#include "platform/OpenSslOwners.h"

#include <openssl/asn1.h>
#include <openssl/evp.h>
#include <openssl/objects.h>

#include <algorithm>
#include <climits>

namespace platform::signature {

namespace {

constexpr const char* kIndirectDataOid = "1.3.6.1.4.1.311.2.1.4";  // SPC_INDIRECT_DATA_OBJID
constexpr const char* kPeImageDataOid = "1.3.6.1.4.1.311.2.1.15";  // SPC_PE_IMAGE_DATAOBJ

bool Is(const ASN1_OBJECT* object, const char* oid)
{
    const platform::OwnedAsnObject wanted(OBJ_txt2obj(oid, 1));
    return wanted && object && OBJ_cmp(object, wanted.get()) == 0;
}

const char* DigestName(int nid)
{
    switch (nid) {
    case NID_md5: return "md5";
    case NID_sha1: return "sha1";
    case NID_sha256: return "sha256";
    case NID_sha384: return "sha384";
    case NID_sha512: return "sha512";
    default: return nullptr;
    }
}

// Steps into the SEQUENCE at `at` (of `available` bytes): its value's start
// and size. DER has definite lengths only.
bool EnterSequence(const unsigned char* at, long available, const unsigned char*& value, long& valueSize)
{
    const unsigned char* inside = at;
    int tag = 0;
    int cls = 0;
    const int flags = ASN1_get_object(&inside, &valueSize, &tag, &cls, available);
    // 0x80: malformed; 0x21: indefinite length.
    if ((flags & 0x80) || flags == 0x21 || tag != V_ASN1_SEQUENCE || cls != V_ASN1_UNIVERSAL) return false;
    value = inside;
    return valueSize >= 0 && valueSize <= available - (inside - at);
}

// What the content states of the image.
struct ImageStatement {
    const EVP_MD* md = nullptr;
    const char* name = nullptr;
    std::vector<std::uint8_t> digest;
};

// SpcIndirectDataContent ::= SEQUENCE { data SpcAttributeTypeAndOptionalValue,
// messageDigest DigestInfo }: a PE image's data, and the DigestInfo last.
bool ReadIndirectData(const unsigned char* value, long valueSize, ImageStatement& statement)
{
    const unsigned char* data = nullptr;
    long dataSize = 0;
    if (!EnterSequence(value, valueSize, data, dataSize)) return false;
    const unsigned char* typeAt = data;
    const platform::OwnedAsnObject type(d2i_ASN1_OBJECT(nullptr, &typeAt, dataSize));
    if (!Is(type.get(), kPeImageDataOid)) return false;

    const unsigned char* digestAt = data + dataSize;
    const unsigned char* const end = value + valueSize;
    const platform::OwnedDigestInfo digestInfo(d2i_X509_SIG(nullptr, &digestAt, end - digestAt));
    if (!digestInfo || digestAt != end) return false;
    const X509_ALGOR* algorithm = nullptr;
    const ASN1_OCTET_STRING* imageDigest = nullptr;
    X509_SIG_get0(digestInfo.get(), &algorithm, &imageDigest);
    const char* name = DigestName(OBJ_obj2nid(algorithm->algorithm));
    const EVP_MD* md = name ? EVP_get_digestbyname(name) : nullptr;
    if (!md || ASN1_STRING_length(imageDigest) != EVP_MD_get_size(md)) return false;
    statement.md = md;
    statement.name = name;
    statement.digest.assign(imageDigest->data, imageDigest->data + imageDigest->length);
    return true;
}

// What Windows asks of the one signer: its digest algorithm among the
// SignedData's, and its signed contentType the indirect data's.
bool SignerFitsContent(PKCS7_SIGNED* signedData, PKCS7_SIGNER_INFO* info)
{
    if (!info || !info->issuer_and_serial || !info->digest_alg) return false;
    bool listed = false;
    for (int i = 0; i < sk_X509_ALGOR_num(signedData->md_algs); ++i)
        listed =
            listed || OBJ_cmp(sk_X509_ALGOR_value(signedData->md_algs, i)->algorithm, info->digest_alg->algorithm) == 0;
    const ASN1_TYPE* contentType = PKCS7_get_signed_attribute(info, NID_pkcs9_contentType);
    return listed && contentType && contentType->type == V_ASN1_OBJECT &&
           Is(contentType->value.object, kIndirectDataOid);
}

bool Digest(const EVP_MD* md, const unsigned char* data, std::size_t size, std::vector<std::uint8_t>& out)
{
    unsigned char result[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    if (EVP_Digest(data, size, result, &length, md, nullptr) != 1) return false;
    out.assign(result, result + length);
    return true;
}

}  // namespace

// PKCS#7's rule: with authenticated attributes their DER is what is signed,
// and their messageDigest must be the content's digest; without them the
// content itself is signed.
bool SignerInfoHolds(PKCS7_SIGNER_INFO* info, X509* certificate, const unsigned char* content, std::size_t size)
{
    if (!info || !info->digest_alg || !certificate) return false;
    const EVP_MD* md = EVP_get_digestbyobj(info->digest_alg->algorithm);
    EVP_PKEY* key = X509_get0_pubkey(certificate);
    if (!md || !key || !info->enc_digest) return false;

    const unsigned char* signedBytes = content;
    std::size_t signedSize = size;
    platform::OwnedBytes attributes;
    if (sk_X509_ATTRIBUTE_num(info->auth_attr) > 0) {
        // Its type checked here: libcrypto's own lookup takes any type for an OCTET STRING.
        const ASN1_TYPE* attribute = PKCS7_get_signed_attribute(info, NID_pkcs9_messageDigest);
        if (!attribute || attribute->type != V_ASN1_OCTET_STRING || !attribute->value.octet_string) return false;
        const ASN1_OCTET_STRING* stated = attribute->value.octet_string;
        std::vector<std::uint8_t> computed;
        if (!Digest(md, content, signedSize, computed)) return false;
        if (static_cast<std::size_t>(stated->length) != computed.size() ||
            !std::equal(computed.begin(), computed.end(), stated->data))
            return false;
        // As received (a SET re-encoded in its own order), not sorted anew.
        unsigned char* der = nullptr;
        const int derSize =
            ASN1_item_i2d(reinterpret_cast<ASN1_VALUE*>(info->auth_attr), &der, ASN1_ITEM_rptr(PKCS7_ATTR_VERIFY));
        if (derSize <= 0) return false;
        attributes.reset(der);
        signedBytes = der;
        signedSize = static_cast<std::size_t>(derSize);
    }
    const platform::OwnedDigestContext context(EVP_MD_CTX_new());
    return context && EVP_DigestVerifyInit(context.get(), nullptr, md, nullptr, key) == 1 &&
           EVP_DigestVerify(context.get(), info->enc_digest->data, static_cast<std::size_t>(info->enc_digest->length),
                            signedBytes, signedSize) == 1;
}

AuthenticodeSignature ReadAuthenticode(const std::uint8_t* der, std::size_t size)
{
    AuthenticodeSignature signature;
    if (size > LONG_MAX) return signature;
    const unsigned char* at = der;
    signature.pkcs7.reset(d2i_PKCS7(nullptr, &at, static_cast<long>(size)));
    PKCS7* p7 = signature.pkcs7.get();
    if (!p7 || !PKCS7_type_is_signed(p7) || !p7->d.sign || !p7->d.sign->contents) return signature;

    // The content: an SpcIndirectDataContent, which OpenSSL keeps whole as
    // an unknown type's SEQUENCE.
    PKCS7* content = p7->d.sign->contents;
    if (!Is(content->type, kIndirectDataOid) || !content->d.other || content->d.other->type != V_ASN1_SEQUENCE)
        return signature;
    const ASN1_STRING* sequence = content->d.other->value.sequence;
    const unsigned char* value = nullptr;
    long valueSize = 0;
    ImageStatement statement;
    if (!EnterSequence(sequence->data, sequence->length, value, valueSize) ||
        !ReadIndirectData(value, valueSize, statement))
        return signature;

    // One signer: a second signature nests in its unsigned attributes, never beside it.
    STACK_OF(PKCS7_SIGNER_INFO)* signers = PKCS7_get_signer_info(p7);
    if (sk_PKCS7_SIGNER_INFO_num(signers) != 1) return signature;
    PKCS7_SIGNER_INFO* info = sk_PKCS7_SIGNER_INFO_value(signers, 0);
    if (!SignerFitsContent(p7->d.sign, info)) return signature;

    signature.digestName = statement.name;
    signature.imageDigest = statement.md;
    signature.signedImageDigest = std::move(statement.digest);
    signature.signerCertificate = X509_find_by_issuer_and_serial(p7->d.sign->cert, info->issuer_and_serial->issuer,
                                                                 info->issuer_and_serial->serial);
    signature.readable = true;
    ReadSigningTime(info, signature);
    if (!signature.signerCertificate) return signature;
    signature.signer = SignerName(signature.signerCertificate);
    signature.signatureVerifies =
        SignerInfoHolds(info, signature.signerCertificate, value, static_cast<std::size_t>(valueSize));
    return signature;
}

}  // namespace platform::signature
