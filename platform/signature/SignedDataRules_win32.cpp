#include "platform/signature/SignedDataRules_win32.h"

#include <string>

#include "platform/signature/DerElements.h"

namespace platform::signature {

namespace {

using der::Enter;
using der::ReadOid;
using der::Skip;
using Bytes = const std::uint8_t*;

constexpr const char* kSignedDataOid = "1.2.840.113549.1.7.2";
constexpr const char* kContentTypeOid = "1.2.840.113549.1.9.3";
constexpr const char* kIndirectDataOid = "1.3.6.1.4.1.311.2.1.4";  // SPC_INDIRECT_DATA_OBJID
constexpr const char* kPeImageDataOid = "1.3.6.1.4.1.311.2.1.15";  // SPC_PE_IMAGE_DATAOBJ
constexpr std::uint8_t kSequence = 0x30;
constexpr std::uint8_t kSet = 0x31;
constexpr std::uint8_t kContextZero = 0xA0;
constexpr std::uint8_t kContextOne = 0xA1;

bool NextIs(Bytes at, Bytes end, std::uint8_t tag)
{
    return at < end && *at == tag;
}

// The OID of the AlgorithmIdentifier at `at`.
std::string AlgorithmOid(Bytes& at, Bytes end)
{
    Bytes inside = at;
    Bytes insideEnd = end;
    if (!Enter(inside, insideEnd, kSequence) || !Skip(at, end)) return {};
    return ReadOid(inside, insideEnd);
}

// encapContentInfo: SPC_INDIRECT_DATA, whose SpcIndirectDataContent is a
// PE image's data followed by the DigestInfo and nothing else.
bool IndirectDataOfAnImage(Bytes at, Bytes end)
{
    if (!Enter(at, end, kSequence) || ReadOid(at, end) != kIndirectDataOid) return false;
    if (!Enter(at, end, kContextZero) || !Enter(at, end, kSequence)) return false;
    Bytes data = at;
    Bytes dataEnd = end;
    if (!Enter(data, dataEnd, kSequence) || ReadOid(data, dataEnd) != kPeImageDataOid) return false;
    if (!Skip(at, end) || !NextIs(at, end, kSequence) || !Skip(at, end)) return false;
    return at == end;
}

// The first value of the signed contentType attribute is SPC_INDIRECT_DATA.
bool SignedContentTypeIsIndirectData(Bytes at, Bytes end)
{
    while (at < end) {
        Bytes attribute = at;
        Bytes attributeEnd = end;
        if (!Enter(attribute, attributeEnd, kSequence) || !Skip(at, end)) return false;
        if (ReadOid(attribute, attributeEnd) != kContentTypeOid) continue;
        if (!Enter(attribute, attributeEnd, kSet)) return false;
        return ReadOid(attribute, attributeEnd) == kIndirectDataOid;
    }
    return false;
}

// Whether every element in [at, end) has a definite length and the
// elements fill it exactly, to a depth no signature needs.
bool DefiniteThroughout(Bytes at, Bytes end, int depth)
{
    constexpr int kDeepest = 64;
    if (depth > kDeepest) return false;
    while (at < end) {
        std::uint8_t tag = 0;
        Bytes value = nullptr;
        std::size_t size = 0;
        if (!der::Element(at, end, tag, value, size)) return false;
        if ((tag & 0x20) && !DefiniteThroughout(value, value + size, depth + 1)) return false;
    }
    return true;
}

bool FollowsTheRules(Bytes at, Bytes end)
{
    if (!Enter(at, end, kSequence) || ReadOid(at, end) != kSignedDataOid) return false;
    if (!Enter(at, end, kContextZero) || !Enter(at, end, kSequence)) return false;
    if (!Skip(at, end)) return false;  // version

    Bytes algorithms = at;
    Bytes algorithmsEnd = end;
    if (!Enter(algorithms, algorithmsEnd, kSet) || !Skip(at, end)) return false;
    Bytes content = at;
    if (!Skip(at, end) || !IndirectDataOfAnImage(content, at)) return false;
    if (NextIs(at, end, kContextZero) && !Skip(at, end)) return false;  // certificates
    if (NextIs(at, end, kContextOne) && !Skip(at, end)) return false;   // CRLs

    Bytes signers = at;
    Bytes signersEnd = end;
    if (!Enter(signers, signersEnd, kSet)) return false;
    Bytes signer = signers;
    Bytes signerEnd = signersEnd;
    if (!Enter(signer, signerEnd, kSequence) || !Skip(signers, signersEnd) || signers != signersEnd) return false;

    if (!Skip(signer, signerEnd) || !Skip(signer, signerEnd)) return false;  // version, issuer and serial
    const std::string digestAlgorithm = AlgorithmOid(signer, signerEnd);
    if (digestAlgorithm.empty()) return false;
    bool listed = false;
    while (algorithms < algorithmsEnd && !listed) {
        const std::string listedAlgorithm = AlgorithmOid(algorithms, algorithmsEnd);
        if (listedAlgorithm.empty()) return false;
        listed = listedAlgorithm == digestAlgorithm;
    }
    if (!listed || !NextIs(signer, signerEnd, kContextZero)) return false;
    Bytes attributes = signer;
    Bytes attributesEnd = signerEnd;
    return Enter(attributes, attributesEnd, kContextZero) && SignedContentTypeIsIndirectData(attributes, attributesEnd);
}

}  // namespace

SignedDataVerdict JudgeSignedData(const std::vector<std::uint8_t>& signedData)
{
    // Windows decodes BER too; such a blob is the system's to judge. The
    // bytes after the ContentInfo are the entry's padding.
    Bytes at = signedData.data();
    const Bytes end = at + signedData.size();
    std::uint8_t tag = 0;
    Bytes value = nullptr;
    std::size_t size = 0;
    if (!der::Element(at, end, tag, value, size) || !DefiniteThroughout(value, value + size, 0))
        return SignedDataVerdict::NotJudged;
    return FollowsTheRules(signedData.data(), end) ? SignedDataVerdict::Follows : SignedDataVerdict::Breaks;
}

}  // namespace platform::signature
