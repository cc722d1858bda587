#include "platform/signature/SignerFacts_win32.h"

#include "platform/signature/DerElements.h"

#include "support/UtcTime.h"

#include "platform/win32.h"

#include <wincrypt.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace platform::signature {

namespace {

using der::Enter;
using der::OidText;
using der::Skip;

constexpr const char* kRfc3161TimestampOid = "1.3.6.1.4.1.311.3.3.1";   // SPC_RFC3161_OBJID
constexpr const char* kLifetimeSigningOid = "1.3.6.1.4.1.311.10.3.13";  // szOID_KP_LIFETIME_SIGNING
constexpr DWORD kEncoding = X509_ASN_ENCODING | PKCS_7_ASN_ENCODING;

struct StoreClose {
    void operator()(HCERTSTORE store) const { CertCloseStore(store, 0); }
};
struct MessageClose {
    void operator()(HCRYPTMSG message) const { CryptMsgClose(message); }
};
struct CertificateFree {
    void operator()(PCCERT_CONTEXT certificate) const { CertFreeCertificateContext(certificate); }
};

std::vector<BYTE> MessageParameter(HCRYPTMSG message, DWORD parameter)
{
    DWORD size = 0;
    if (!CryptMsgGetParam(message, parameter, 0, nullptr, &size) || size == 0) return {};
    std::vector<BYTE> bytes(size);
    if (!CryptMsgGetParam(message, parameter, 0, bytes.data(), &size)) return {};
    bytes.resize(size);
    return bytes;
}

// In the code page of the engine's other texts.
std::string Narrow(const wchar_t* text)
{
    const int size = WideCharToMultiByte(CP_ACP, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (size <= 1) return {};
    std::string narrow(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_ACP, 0, text, -1, &narrow[0], size, nullptr, nullptr);
    narrow.resize(static_cast<std::size_t>(size - 1));
    return narrow;
}

std::string NameAttribute(PCCERT_CONTEXT certificate, const char* oid)
{
    wchar_t name[512] = {};
    CertGetNameStringW(certificate, CERT_NAME_ATTR_TYPE, 0, const_cast<char*>(oid), name, 512);
    return Narrow(name);
}

const char* DigestName(const char* oid)
{
    static const struct {
        const char* oid;
        const char* name;
    } kNames[] = {{"1.2.840.113549.2.5", "md5"},
                  {"1.3.14.3.2.26", "sha1"},
                  {"2.16.840.1.101.3.4.2.1", "sha256"},
                  {"2.16.840.1.101.3.4.2.2", "sha384"},
                  {"2.16.840.1.101.3.4.2.3", "sha512"}};
    for (const auto& entry : kNames)
        if (oid && std::strcmp(oid, entry.oid) == 0) return entry.name;
    return "";
}

const CRYPT_ATTRIBUTE* FindAttribute(const CRYPT_ATTRIBUTES& attributes, const char* oid)
{
    for (DWORD i = 0; i < attributes.cAttr; ++i)
        if (std::strcmp(attributes.rgAttr[i].pszObjId, oid) == 0 && attributes.rgAttr[i].cValue > 0)
            return &attributes.rgAttr[i];
    return nullptr;
}

std::string TimeText(const FILETIME& time)
{
    return support::UtcTimeTextOfFileTime(std::uint64_t{time.dwHighDateTime} << 32 | time.dwLowDateTime);
}

bool SigningFileTime(const CRYPT_ATTRIBUTES& attributes, FILETIME& time)
{
    const CRYPT_ATTRIBUTE* attribute = FindAttribute(attributes, szOID_RSA_signingTime);
    DWORD size = sizeof time;
    return attribute && CryptDecodeObject(kEncoding, szOID_RSA_signingTime, attribute->rgValue[0].pbData,
                                          attribute->rgValue[0].cbData, 0, &time, &size);
}

std::string SigningTime(const CRYPT_ATTRIBUTES& attributes)
{
    FILETIME time;
    if (!SigningFileTime(attributes, time)) return {};
    return TimeText(time);
}

// A time the authority's certificate does not cover is no time it can vouch for.
bool ValidAt(PCCERT_CONTEXT certificate, const FILETIME& time)
{
    FILETIME at = time;
    return certificate && CertVerifyTimeValidity(&at, certificate->pCertInfo) == 0;
}

bool HashEquals(const char* algorithmOid, const BYTE* data, std::size_t size, const BYTE* expected,
                std::size_t expectedSize)
{
    const ALG_ID algorithm = algorithmOid ? CertOIDToAlgId(algorithmOid) : 0;
    BYTE hash[64];
    DWORD hashSize = sizeof hash;
    return algorithm != 0 && CryptHashCertificate(0, algorithm, 0, data, static_cast<DWORD>(size), hash, &hashSize) &&
           hashSize == expectedSize && std::memcmp(hash, expected, hashSize) == 0;
}

// What an RFC 3161 token states, walked by hand: ContentInfo, SignedData,
// its encapsulated content (an OCTET STRING holding the TSTInfo), and in the
// TSTInfo the messageImprint (third field) and genTime (fifth,
// "YYYYMMDDhhmmss[.f]Z"). Wine's message decoder does not give the content
// as Windows does, so the walk is ours.
struct TokenFacts {
    const BYTE* tstInfo = nullptr;
    std::size_t tstInfoSize = 0;
    std::string imprintAlgorithm;
    const BYTE* imprint = nullptr;
    std::size_t imprintSize = 0;
    std::string time;
    FILETIME when{};
};

// genTime's "YYYYMMDDhhmmss" (then 'Z' or a fraction): the text and the time.
bool ReadGeneralizedTime(const BYTE* value, std::size_t size, TokenFacts& facts)
{
    if (size < 15 || (value[14] != 'Z' && value[14] != '.')) return false;
    for (std::size_t i = 0; i < 14; ++i)
        if (value[i] < '0' || value[i] > '9') return false;
    const auto number = [&](std::size_t from, std::size_t count) {
        WORD result = 0;
        for (std::size_t i = from; i < from + count; ++i) result = static_cast<WORD>(result * 10 + (value[i] - '0'));
        return result;
    };
    SYSTEMTIME parts = {};
    parts.wYear = number(0, 4);
    parts.wMonth = number(4, 2);
    parts.wDay = number(6, 2);
    parts.wHour = number(8, 2);
    parts.wMinute = number(10, 2);
    parts.wSecond = number(12, 2);
    if (!SystemTimeToFileTime(&parts, &facts.when)) return false;
    facts.time = TimeText(facts.when);
    return true;
}

bool ReadToken(const BYTE* at, const BYTE* end, TokenFacts& facts)
{
    if (!Enter(at, end, 0x30) || !Skip(at, end) || !Enter(at, end, 0xA0) || !Enter(at, end, 0x30) || !Skip(at, end) ||
        !Skip(at, end) || !Enter(at, end, 0x30) || !Skip(at, end) || !Enter(at, end, 0xA0) || !Enter(at, end, 0x04))
        return false;
    facts.tstInfo = at;
    facts.tstInfoSize = static_cast<std::size_t>(end - at);
    if (!Enter(at, end, 0x30) || !Skip(at, end) || !Skip(at, end)) return false;
    const BYTE* imprint = at;
    const BYTE* imprintEnd = end;
    if (!Skip(at, end) || !Enter(imprint, imprintEnd, 0x30)) return false;
    const BYTE* algorithm = imprint;
    const BYTE* algorithmEnd = imprintEnd;
    BYTE tag = 0;
    const BYTE* value = nullptr;
    std::size_t size = 0;
    if (!Skip(imprint, imprintEnd) || !Enter(algorithm, algorithmEnd, 0x30) ||
        !der::Element(algorithm, algorithmEnd, tag, value, size) || tag != 0x06)
        return false;
    facts.imprintAlgorithm = OidText(value, size);
    if (!der::Element(imprint, imprintEnd, tag, facts.imprint, facts.imprintSize) || tag != 0x04) return false;
    return Skip(at, end) && der::Element(at, end, tag, value, size) && tag == 0x18 &&
           ReadGeneralizedTime(value, size, facts);
}

// The token's signer: its messageDigest is the TSTInfo's hash, its
// signature over its attributes holds with the certificate it carries, and
// that certificate was valid at the token's time.
bool TokenSignatureHolds(const BYTE* token, DWORD size, const TokenFacts& facts)
{
    const std::unique_ptr<void, MessageClose> message(CryptMsgOpenToDecode(kEncoding, 0, 0, 0, nullptr, nullptr));
    if (!message || !CryptMsgUpdate(message.get(), token, size, TRUE)) return false;
    std::vector<BYTE> signerBytes = MessageParameter(message.get(), CMSG_SIGNER_INFO_PARAM);
    std::vector<BYTE> certInfo = MessageParameter(message.get(), CMSG_SIGNER_CERT_INFO_PARAM);
    if (signerBytes.size() < sizeof(CMSG_SIGNER_INFO) || certInfo.size() < sizeof(CERT_INFO)) return false;
    const auto* signer = reinterpret_cast<const CMSG_SIGNER_INFO*>(signerBytes.data());
    const CRYPT_ATTRIBUTE* digest = FindAttribute(signer->AuthAttrs, szOID_RSA_messageDigest);
    DWORD digestSize = 0;
    if (!digest || !CryptDecodeObject(kEncoding, X509_OCTET_STRING, digest->rgValue[0].pbData,
                                      digest->rgValue[0].cbData, 0, nullptr, &digestSize))
        return false;
    std::vector<BYTE> decoded(digestSize);
    if (!CryptDecodeObject(kEncoding, X509_OCTET_STRING, digest->rgValue[0].pbData, digest->rgValue[0].cbData, 0,
                           decoded.data(), &digestSize))
        return false;
    const auto* stated = reinterpret_cast<const CRYPT_DATA_BLOB*>(decoded.data());
    if (!HashEquals(signer->HashAlgorithm.pszObjId, facts.tstInfo, facts.tstInfoSize, stated->pbData, stated->cbData))
        return false;
    const std::unique_ptr<void, StoreClose> store(CertOpenStore(CERT_STORE_PROV_MSG, kEncoding, 0, 0, message.get()));
    if (!store) return false;
    const std::unique_ptr<const CERT_CONTEXT, CertificateFree> certificate(
        CertGetSubjectCertificateFromStore(store.get(), kEncoding, reinterpret_cast<CERT_INFO*>(certInfo.data())));
    return certificate && ValidAt(certificate.get(), facts.when) &&
           CryptMsgControl(message.get(), 0, CMSG_CTRL_VERIFY_SIGNATURE, certificate->pCertInfo) != FALSE;
}

// The time of an RFC 3161 token that verifies: its signature holds and its
// imprint is the hash of the signer's signature value.
bool Rfc3161Time(const CMSG_SIGNER_INFO& signer, FILETIME& when)
{
    const CRYPT_ATTRIBUTE* attribute = FindAttribute(signer.UnauthAttrs, kRfc3161TimestampOid);
    if (!attribute) return false;
    const BYTE* token = attribute->rgValue[0].pbData;
    const DWORD size = attribute->rgValue[0].cbData;
    TokenFacts facts;
    if (!ReadToken(token, token + size, facts) ||
        !HashEquals(facts.imprintAlgorithm.c_str(), signer.EncryptedHash.pbData, signer.EncryptedHash.cbData,
                    facts.imprint, facts.imprintSize) ||
        !TokenSignatureHolds(token, size, facts))
        return false;
    when = facts.when;
    return true;
}

// The time of an older countersignature that verifies: its hash of the
// signer's signature value and its own signature, by the certificate
// among the signature's own, valid at the time it states.
bool CountersignedTime(HCRYPTMSG message, HCERTSTORE store, const CRYPT_ATTRIBUTES& attributes, FILETIME& when)
{
    const CRYPT_ATTRIBUTE* attribute = FindAttribute(attributes, szOID_RSA_counterSign);
    DWORD size = 0;
    if (!attribute || !CryptDecodeObject(kEncoding, PKCS7_SIGNER_INFO, attribute->rgValue[0].pbData,
                                         attribute->rgValue[0].cbData, 0, nullptr, &size))
        return false;
    std::vector<BYTE> decoded(size);
    if (!CryptDecodeObject(kEncoding, PKCS7_SIGNER_INFO, attribute->rgValue[0].pbData, attribute->rgValue[0].cbData, 0,
                           decoded.data(), &size))
        return false;
    const auto* counter = reinterpret_cast<const CMSG_SIGNER_INFO*>(decoded.data());
    CERT_INFO wanted = {};
    wanted.Issuer = counter->Issuer;
    wanted.SerialNumber = counter->SerialNumber;
    const std::unique_ptr<const CERT_CONTEXT, CertificateFree> certificate(
        CertFindCertificateInStore(store, kEncoding, 0, CERT_FIND_SUBJECT_CERT, &wanted, nullptr));
    std::vector<BYTE> signer = MessageParameter(message, CMSG_ENCODED_SIGNER);
    if (!certificate || signer.empty() ||
        !CryptMsgVerifyCountersignatureEncoded(0, kEncoding, signer.data(), static_cast<DWORD>(signer.size()),
                                               attribute->rgValue[0].pbData, attribute->rgValue[0].cbData,
                                               certificate->pCertInfo))
        return false;
    return SigningFileTime(counter->AuthAttrs, when) && ValidAt(certificate.get(), when);
}

bool HasLifetimeSigning(PCCERT_CONTEXT certificate)
{
    DWORD size = 0;
    if (!CertGetEnhancedKeyUsage(certificate, CERT_FIND_EXT_ONLY_ENHKEY_USAGE_FLAG, nullptr, &size) || size == 0)
        return false;
    std::vector<BYTE> bytes(size);
    auto* usage = reinterpret_cast<CERT_ENHKEY_USAGE*>(bytes.data());
    if (!CertGetEnhancedKeyUsage(certificate, CERT_FIND_EXT_ONLY_ENHKEY_USAGE_FLAG, usage, &size)) return false;
    for (DWORD i = 0; i < usage->cUsageIdentifier; ++i)
        if (std::strcmp(usage->rgpszUsageIdentifier[i], kLifetimeSigningOid) == 0) return true;
    return false;
}

// Whether the system's WinVerifyTrust is Wine's, which judges no signer's time.
bool TrustFunctionsAreWines()
{
    static const bool wine = [] {
        const HMODULE ntdll = GetModuleHandleA("ntdll.dll");
        return ntdll && GetProcAddress(ntdll, "wine_get_version") != nullptr;
    }();
    return wine;
}

// Windows judges the signer's certificate at the verified time stamp's
// time, else now, and now whatever the time stamp says when it is for
// Lifetime Signing. WinVerifyTrust does so itself, and its verdict stands;
// under Wine, whose WinVerifyTrust judges neither, the judging is ours.
bool SignerValid(PCCERT_CONTEXT certificate, bool timeStamped, const FILETIME& stamped)
{
    if (!TrustFunctionsAreWines()) return true;
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    return ValidAt(certificate, timeStamped && !HasLifetimeSigning(certificate) ? stamped : now);
}

}  // namespace

void ReadSignerFacts(const wchar_t* signedFile, ModuleSignature& signature)
{
    DWORD encoding = 0;
    DWORD contentType = 0;
    DWORD formatType = 0;
    HCERTSTORE rawStore = nullptr;
    HCRYPTMSG rawMessage = nullptr;
    if (!CryptQueryObject(CERT_QUERY_OBJECT_FILE, signedFile,
                          CERT_QUERY_CONTENT_FLAG_PKCS7_SIGNED_EMBED | CERT_QUERY_CONTENT_FLAG_PKCS7_SIGNED,
                          CERT_QUERY_FORMAT_FLAG_BINARY, 0, &encoding, &contentType, &formatType, &rawStore,
                          &rawMessage, nullptr))
        return;
    const std::unique_ptr<void, StoreClose> store(rawStore);
    const std::unique_ptr<void, MessageClose> message(rawMessage);

    // The primary signer; a second signature nests in its unsigned attributes.
    std::vector<BYTE> signerBytes = MessageParameter(message.get(), CMSG_SIGNER_INFO_PARAM);
    if (signerBytes.size() < sizeof(CMSG_SIGNER_INFO)) return;
    const auto* signer = reinterpret_cast<const CMSG_SIGNER_INFO*>(signerBytes.data());
    signature.digestAlgorithm = DigestName(signer->HashAlgorithm.pszObjId);

    FILETIME stamped = {};
    const bool timeStamped =
        Rfc3161Time(*signer, stamped) || CountersignedTime(message.get(), store.get(), signer->UnauthAttrs, stamped);
    // A time stamp that does not verify is passed over: the signer's own claim, if any, is the time shown.
    signature.signedOn = timeStamped ? TimeText(stamped) : SigningTime(signer->AuthAttrs);

    CERT_INFO wanted = {};
    wanted.Issuer = signer->Issuer;
    wanted.SerialNumber = signer->SerialNumber;
    const std::unique_ptr<const CERT_CONTEXT, CertificateFree> certificate(
        CertFindCertificateInStore(store.get(), encoding, 0, CERT_FIND_SUBJECT_CERT, &wanted, nullptr));
    if (!certificate) return;
    if (signature.trust == SignatureTrust::Trusted && !SignerValid(certificate.get(), timeStamped, stamped))
        signature.trust = SignatureTrust::Untrusted;
    signature.signer = NameAttribute(certificate.get(), szOID_COMMON_NAME);
    if (signature.signer.empty()) signature.signer = NameAttribute(certificate.get(), szOID_ORGANIZATION_NAME);
}

}  // namespace platform::signature
