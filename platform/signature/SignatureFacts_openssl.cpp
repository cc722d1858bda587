// The signer's name and the signing time, as a reader of the signature
// would look for them.
#include <openssl/objects.h>
#include <openssl/ts.h>

#include <cstdio>

#include "platform/signature/AuthenticodeSignature.h"

namespace platform::signature {

namespace {

constexpr const char* kRfc3161TimestampOid = "1.3.6.1.4.1.311.3.3.1";  // SPC_RFC3161_OBJID

struct SignerInfoFree {
    void operator()(PKCS7_SIGNER_INFO* info) const { PKCS7_SIGNER_INFO_free(info); }
};
struct TstInfoFree {
    void operator()(TS_TST_INFO* info) const { TS_TST_INFO_free(info); }
};
struct AsnObjectFree {
    void operator()(ASN1_OBJECT* object) const { ASN1_OBJECT_free(object); }
};

std::string NameEntry(X509_NAME* name, int nid)
{
    const int index = X509_NAME_get_index_by_NID(name, nid, -1);
    if (index < 0) return {};
    unsigned char* utf8 = nullptr;
    const int length = ASN1_STRING_to_UTF8(&utf8, X509_NAME_ENTRY_get_data(X509_NAME_get_entry(name, index)));
    if (length < 0) return {};
    std::string text(reinterpret_cast<const char*>(utf8), static_cast<std::size_t>(length));
    OPENSSL_free(utf8);
    return text;
}

// The SEQUENCE an unsigned attribute holds, as DER.
const ASN1_STRING* AttributeSequence(PKCS7_SIGNER_INFO* info, const ASN1_OBJECT* type)
{
    const int index = X509at_get_attr_by_OBJ(info->unauth_attr, type, -1);
    if (index < 0) return nullptr;
    const ASN1_TYPE* value = X509_ATTRIBUTE_get0_type(X509at_get_attr(info->unauth_attr, index), 0);
    return value && value->type == V_ASN1_SEQUENCE ? value->value.sequence : nullptr;
}

// An RFC 3161 token: a SignedData whose content is a TSTInfo.
const ASN1_GENERALIZEDTIME* Rfc3161Time(PKCS7_SIGNER_INFO* info, std::unique_ptr<TS_TST_INFO, TstInfoFree>& holder)
{
    static const std::unique_ptr<ASN1_OBJECT, AsnObjectFree> oid(OBJ_txt2obj(kRfc3161TimestampOid, 1));
    const ASN1_STRING* token = oid ? AttributeSequence(info, oid.get()) : nullptr;
    if (!token) return nullptr;
    const unsigned char* at = token->data;
    const std::unique_ptr<PKCS7, Pkcs7Free> p7(d2i_PKCS7(nullptr, &at, token->length));
    if (!p7 || !PKCS7_type_is_signed(p7.get())) return nullptr;
    holder.reset(PKCS7_to_TS_TST_INFO(p7.get()));
    return holder ? TS_TST_INFO_get_time(holder.get()) : nullptr;
}

// The signingTime an older countersignature (a SignerInfo) vouches for.
const ASN1_TYPE* CountersignedTime(PKCS7_SIGNER_INFO* info, std::unique_ptr<PKCS7_SIGNER_INFO, SignerInfoFree>& holder)
{
    const ASN1_STRING* counter = AttributeSequence(info, OBJ_nid2obj(NID_pkcs9_countersignature));
    if (!counter) return nullptr;
    const unsigned char* at = counter->data;
    holder.reset(d2i_PKCS7_SIGNER_INFO(nullptr, &at, counter->length));
    return holder ? PKCS7_get_signed_attribute(holder.get(), NID_pkcs9_signingTime) : nullptr;
}

bool ToTime(const ASN1_TIME* time, std::string& text, std::time_t& seconds)
{
    std::tm parts{};
    if (!time || ASN1_TIME_to_tm(time, &parts) != 1) return false;
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02dT%02d:%02d:%02dZ", parts.tm_year + 1900, parts.tm_mon + 1,
                  parts.tm_mday, parts.tm_hour, parts.tm_min, parts.tm_sec);
    text = buffer;
    seconds = timegm(&parts);
    return true;
}

const ASN1_TIME* AsTime(const ASN1_TYPE* value)
{
    if (!value || (value->type != V_ASN1_UTCTIME && value->type != V_ASN1_GENERALIZEDTIME)) return nullptr;
    return value->value.utctime;
}

}  // namespace

std::string SignerName(X509* certificate)
{
    X509_NAME* subject = X509_get_subject_name(certificate);
    if (!subject) return {};
    std::string name = NameEntry(subject, NID_commonName);
    return name.empty() ? NameEntry(subject, NID_organizationName) : name;
}

void ReadSigningTime(PKCS7_SIGNER_INFO* info, AuthenticodeSignature& signature)
{
    std::time_t seconds = 0;
    std::unique_ptr<TS_TST_INFO, TstInfoFree> token;
    if (ToTime(Rfc3161Time(info, token), signature.signedOn, seconds)) {
        signature.timestamp = seconds;
        return;
    }
    std::unique_ptr<PKCS7_SIGNER_INFO, SignerInfoFree> counter;
    if (ToTime(AsTime(CountersignedTime(info, counter)), signature.signedOn, seconds)) {
        signature.timestamp = seconds;
        return;
    }
    ToTime(AsTime(PKCS7_get_signed_attribute(info, NID_pkcs9_signingTime)), signature.signedOn, seconds);
}

}  // namespace platform::signature
