#include "platform/signature/SignerFacts_win32.h"

#include "platform/win32.h"

#include <wincrypt.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

namespace platform::signature {

namespace {

constexpr const char* kRfc3161TimestampOid = "1.3.6.1.4.1.311.3.3.1";  // SPC_RFC3161_OBJID
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
    } kNames[] = {{"1.2.840.113549.2.5", "md5"},          {"1.3.14.3.2.26", "sha1"},
                  {"2.16.840.1.101.3.4.2.1", "sha256"},  {"2.16.840.1.101.3.4.2.2", "sha384"},
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

std::string TimeText(const SYSTEMTIME& time)
{
    char text[64];
    std::snprintf(text, sizeof text, "%04u-%02u-%02uT%02u:%02u:%02uZ", time.wYear, time.wMonth, time.wDay, time.wHour,
                  time.wMinute, time.wSecond);
    return text;
}

std::string SigningTime(const CRYPT_ATTRIBUTES& attributes)
{
    const CRYPT_ATTRIBUTE* attribute = FindAttribute(attributes, szOID_RSA_signingTime);
    FILETIME time;
    DWORD size = sizeof time;
    SYSTEMTIME parts;
    if (!attribute || !CryptDecodeObject(kEncoding, szOID_RSA_signingTime, attribute->rgValue[0].pbData,
                                         attribute->rgValue[0].cbData, 0, &time, &size) ||
        !FileTimeToSystemTime(&time, &parts))
        return {};
    return TimeText(parts);
}

// One DER element's header at `at`: its tag and where its value lies.
bool DerElement(const BYTE*& at, const BYTE* end, BYTE& tag, const BYTE*& value, std::size_t& size)
{
    if (end - at < 2) return false;
    tag = at[0];
    std::size_t length = at[1];
    const BYTE* next = at + 2;
    if (length & 0x80) {
        const std::size_t count = length & 0x7F;
        if (count == 0 || count > 4 || static_cast<std::size_t>(end - next) < count) return false;
        length = 0;
        for (std::size_t i = 0; i < count; ++i) length = (length << 8) | *next++;
    }
    if (static_cast<std::size_t>(end - next) < length) return false;
    value = next;
    size = length;
    at = next + length;
    return true;
}

// Steps into the element at `at` when its tag is `tag`.
bool Enter(const BYTE*& at, const BYTE*& end, BYTE tag)
{
    BYTE found = 0;
    const BYTE* value = nullptr;
    std::size_t size = 0;
    if (!DerElement(at, end, found, value, size) || found != tag) return false;
    at = value;
    end = value + size;
    return true;
}

bool Skip(const BYTE*& at, const BYTE* end)
{
    BYTE tag = 0;
    const BYTE* value = nullptr;
    std::size_t size = 0;
    return DerElement(at, end, tag, value, size);
}

// The genTime of an RFC 3161 token, walked by hand: ContentInfo, SignedData,
// its encapsulated content (an OCTET STRING holding the TSTInfo), and the
// TSTInfo's fifth field, "YYYYMMDDhhmmss[.f]Z". Wine's message decoder
// does not give the content as Windows does, so the walk is ours.
std::string TokenTime(const BYTE* at, const BYTE* end)
{
    if (!Enter(at, end, 0x30) || !Skip(at, end) || !Enter(at, end, 0xA0) || !Enter(at, end, 0x30) ||
        !Skip(at, end) || !Skip(at, end) || !Enter(at, end, 0x30) || !Skip(at, end) || !Enter(at, end, 0xA0) ||
        !Enter(at, end, 0x04) || !Enter(at, end, 0x30))
        return {};
    for (int field = 0; field < 4; ++field)
        if (!Skip(at, end)) return {};
    BYTE tag = 0;
    const BYTE* value = nullptr;
    std::size_t size = 0;
    if (!DerElement(at, end, tag, value, size) || tag != 0x18 || size < 15 ||
        (value[14] != 'Z' && value[14] != '.'))
        return {};
    const std::string t(reinterpret_cast<const char*>(value), 14);
    return t.substr(0, 4) + "-" + t.substr(4, 2) + "-" + t.substr(6, 2) + "T" + t.substr(8, 2) + ":" +
           t.substr(10, 2) + ":" + t.substr(12, 2) + "Z";
}

std::string Rfc3161Time(const CRYPT_ATTRIBUTES& attributes)
{
    const CRYPT_ATTRIBUTE* attribute = FindAttribute(attributes, kRfc3161TimestampOid);
    if (!attribute) return {};
    const BYTE* token = attribute->rgValue[0].pbData;
    return TokenTime(token, token + attribute->rgValue[0].cbData);
}

std::string CountersignedTime(const CRYPT_ATTRIBUTES& attributes)
{
    const CRYPT_ATTRIBUTE* attribute = FindAttribute(attributes, szOID_RSA_counterSign);
    DWORD size = 0;
    if (!attribute || !CryptDecodeObject(kEncoding, PKCS7_SIGNER_INFO, attribute->rgValue[0].pbData,
                                         attribute->rgValue[0].cbData, 0, nullptr, &size))
        return {};
    std::vector<BYTE> decoded(size);
    if (!CryptDecodeObject(kEncoding, PKCS7_SIGNER_INFO, attribute->rgValue[0].pbData, attribute->rgValue[0].cbData, 0,
                           decoded.data(), &size))
        return {};
    return SigningTime(reinterpret_cast<const CMSG_SIGNER_INFO*>(decoded.data())->AuthAttrs);
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

    signature.signedOn = Rfc3161Time(signer->UnauthAttrs);
    if (signature.signedOn.empty()) signature.signedOn = CountersignedTime(signer->UnauthAttrs);
    if (signature.signedOn.empty()) signature.signedOn = SigningTime(signer->AuthAttrs);

    CERT_INFO wanted = {};
    wanted.Issuer = signer->Issuer;
    wanted.SerialNumber = signer->SerialNumber;
    const std::unique_ptr<const CERT_CONTEXT, CertificateFree> certificate(
        CertFindCertificateInStore(store.get(), encoding, 0, CERT_FIND_SUBJECT_CERT, &wanted, nullptr));
    if (!certificate) return;
    signature.signer = NameAttribute(certificate.get(), szOID_COMMON_NAME);
    if (signature.signer.empty()) signature.signer = NameAttribute(certificate.get(), szOID_ORGANIZATION_NAME);
}

}  // namespace platform::signature
