// The signer's name and the signing time, as a reader of the signature
// would look for them.
#include <openssl/evp.h>
#include <openssl/objects.h>
#include <openssl/ts.h>

#include <algorithm>
#include <cstdio>
#include <utility>

#include "platform/signature/AuthenticodeSignature.h"
#include "platform/OpenSslOwners.h"
#include "support/UtcTime.h"

namespace platform::signature {

namespace {

constexpr const char* kRfc3161TimestampOid = "1.3.6.1.4.1.311.3.3.1";  // SPC_RFC3161_OBJID

std::string NameEntry(X509_NAME* name, int nid)
{
    const int index = X509_NAME_get_index_by_NID(name, nid, -1);
    if (index < 0) return {};
    unsigned char* utf8 = nullptr;
    const int length = ASN1_STRING_to_UTF8(&utf8, X509_NAME_ENTRY_get_data(X509_NAME_get_entry(name, index)));
    const platform::OwnedBytes owned(utf8);
    if (length < 0) return {};
    return std::string(reinterpret_cast<const char*>(utf8), static_cast<std::size_t>(length));
}

// The SEQUENCE an unsigned attribute holds, as DER.
const ASN1_STRING* AttributeSequence(PKCS7_SIGNER_INFO* info, const ASN1_OBJECT* type)
{
    const int index = X509at_get_attr_by_OBJ(info->unauth_attr, type, -1);
    if (index < 0) return nullptr;
    const ASN1_TYPE* value = X509_ATTRIBUTE_get0_type(X509at_get_attr(info->unauth_attr, index), 0);
    return value && value->type == V_ASN1_SEQUENCE ? value->value.sequence : nullptr;
}

// The signer's signature value: what a time stamp's imprint is a hash of.
bool ImprintMatches(const EVP_MD* md, const ASN1_OCTET_STRING* stated, const ASN1_OCTET_STRING* signatureValue)
{
    unsigned char computed[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    return md && stated && signatureValue &&
           EVP_Digest(signatureValue->data, static_cast<std::size_t>(signatureValue->length), computed, &length, md,
                      nullptr) == 1 &&
           static_cast<unsigned int>(stated->length) == length && std::equal(computed, computed + length, stated->data);
}

// The certificate a SignerInfo names, among `certificates`.
X509* SignerOf(PKCS7_SIGNER_INFO* info, STACK_OF(X509) * certificates)
{
    if (!info || !info->issuer_and_serial) return nullptr;
    return X509_find_by_issuer_and_serial(certificates, info->issuer_and_serial->issuer,
                                          info->issuer_and_serial->serial);
}

// An RFC 3161 token: a SignedData whose content is a TSTInfo, signed by the
// authority whose certificate it carries, its imprint the signer's signature.
const ASN1_GENERALIZEDTIME* Rfc3161Time(PKCS7_SIGNER_INFO* info, platform::OwnedTimeStampInfo& holder,
                                        AuthenticodeSignature::TimeStamp& stamp)
{
    static const platform::OwnedAsnObject oid(OBJ_txt2obj(kRfc3161TimestampOid, 1));
    const ASN1_STRING* token = oid ? AttributeSequence(info, oid.get()) : nullptr;
    if (!token) return nullptr;
    const unsigned char* at = token->data;
    stamp.token.reset(d2i_PKCS7(nullptr, &at, token->length));
    PKCS7* p7 = stamp.token.get();
    if (!p7 || !PKCS7_type_is_signed(p7) || !p7->d.sign || !p7->d.sign->contents) return nullptr;
    const PKCS7* content = p7->d.sign->contents;
    if (OBJ_obj2nid(content->type) != NID_id_smime_ct_TSTInfo || !content->d.other ||
        content->d.other->type != V_ASN1_OCTET_STRING)
        return nullptr;
    holder.reset(PKCS7_to_TS_TST_INFO(p7));
    if (!holder) return nullptr;

    TS_MSG_IMPRINT* imprint = TS_TST_INFO_get_msg_imprint(holder.get());
    const X509_ALGOR* algorithm = imprint ? TS_MSG_IMPRINT_get_algo(imprint) : nullptr;
    if (!algorithm ||
        !ImprintMatches(EVP_get_digestbyobj(algorithm->algorithm), TS_MSG_IMPRINT_get_msg(imprint), info->enc_digest))
        return nullptr;

    STACK_OF(PKCS7_SIGNER_INFO)* signers = PKCS7_get_signer_info(p7);
    PKCS7_SIGNER_INFO* authority =
        sk_PKCS7_SIGNER_INFO_num(signers) > 0 ? sk_PKCS7_SIGNER_INFO_value(signers, 0) : nullptr;
    stamp.authority = SignerOf(authority, p7->d.sign->cert);
    stamp.certificates = p7->d.sign->cert;
    const ASN1_OCTET_STRING* tstInfo = content->d.other->value.octet_string;
    if (!tstInfo ||
        !SignerInfoHolds(authority, stamp.authority, tstInfo->data, static_cast<std::size_t>(tstInfo->length)))
        return nullptr;
    return TS_TST_INFO_get_time(holder.get());
}

// The signingTime an older countersignature (a SignerInfo over the signer's
// signature value, its certificate among the signature's own) vouches for.
const ASN1_TYPE* CountersignedTime(PKCS7_SIGNER_INFO* info, STACK_OF(X509) * certificates,
                                   platform::OwnedSignerInfo& holder, AuthenticodeSignature::TimeStamp& stamp)
{
    const ASN1_STRING* counter = AttributeSequence(info, OBJ_nid2obj(NID_pkcs9_countersignature));
    if (!counter || !info->enc_digest) return nullptr;
    const unsigned char* at = counter->data;
    holder.reset(d2i_PKCS7_SIGNER_INFO(nullptr, &at, counter->length));
    if (!holder) return nullptr;
    stamp.authority = SignerOf(holder.get(), certificates);
    stamp.certificates = certificates;
    // Its messageDigest attribute is then required: a countersignature without one covers nothing.
    if (sk_X509_ATTRIBUTE_num(holder->auth_attr) == 0 ||
        !SignerInfoHolds(holder.get(), stamp.authority, info->enc_digest->data,
                         static_cast<std::size_t>(info->enc_digest->length)))
        return nullptr;
    return PKCS7_get_signed_attribute(holder.get(), NID_pkcs9_signingTime);
}

bool ToTime(const ASN1_TIME* time, std::string& text, std::time_t& seconds)
{
    std::tm parts{};
    if (!time || ASN1_TIME_to_tm(time, &parts) != 1) return false;
    seconds = timegm(&parts);
    text = support::UtcTimeText(seconds);
    return true;
}

// A time the authority's certificate does not cover is no time it can vouch for.
bool ValidAt(X509* certificate, std::time_t time)
{
    if (!certificate) return false;
    const int from = ASN1_TIME_cmp_time_t(X509_get0_notBefore(certificate), time);
    const int to = ASN1_TIME_cmp_time_t(X509_get0_notAfter(certificate), time);
    return (from == -1 || from == 0) && (to == 0 || to == 1);
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
    std::string text;
    std::time_t seconds = 0;
    const auto take = [&](AuthenticodeSignature::TimeStamp& stamp) {
        stamp.time = seconds;
        signature.signedOn = text;
        signature.timestamp = std::move(stamp);
    };
    AuthenticodeSignature::TimeStamp stamp;
    platform::OwnedTimeStampInfo token;
    if (ToTime(Rfc3161Time(info, token, stamp), text, seconds) && ValidAt(stamp.authority, seconds)) {
        take(stamp);
        return;
    }
    stamp = {};
    platform::OwnedSignerInfo counter;
    STACK_OF(X509)* certificates = signature.pkcs7 ? signature.pkcs7->d.sign->cert : nullptr;
    if (ToTime(AsTime(CountersignedTime(info, certificates, counter, stamp)), text, seconds) &&
        ValidAt(stamp.authority, seconds)) {
        take(stamp);
        return;
    }
    // A time stamp that does not verify is passed over: the signer's own claim, if any, is the time shown.
    ToTime(AsTime(PKCS7_get_signed_attribute(info, NID_pkcs9_signingTime)), signature.signedOn, seconds);
}

}  // namespace platform::signature
