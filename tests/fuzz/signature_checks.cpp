#include "signature_checks.h"

#include "platform/hash/Sha256.h"
#include "platform/signature/AuthenticodeSignature.h"
#include "platform/signature/CertificateTable.h"
#include "platform/signature/ModuleSignature.h"

namespace fuzz {

using namespace platform;

namespace {

bool IsIsoTime(const std::string& text)
{
    if (text.size() != 20 || text[4] != '-' || text[7] != '-' || text[10] != 'T' || text[13] != ':' ||
        text[16] != ':' || text[19] != 'Z')
        return false;
    for (const std::size_t digit : {0, 1, 2, 3, 5, 6, 8, 9, 11, 12, 14, 15, 17, 18})
        if (text[digit] < '0' || text[digit] > '9') return false;
    return true;
}

void CheckFields(const std::string& signedOn, const std::string& digest, std::vector<std::string>& faults)
{
    if (!signedOn.empty() && !IsIsoTime(signedOn)) faults.push_back("signing time '" + signedOn + "' is not ISO 8601");
    if (!digest.empty() && digest != "md5" && digest != "sha1" && digest != "sha256" && digest != "sha384" &&
        digest != "sha512")
        faults.push_back("digest algorithm '" + digest + "'");
}

}  // namespace

std::vector<std::string> CheckSignature(const char* path, const std::vector<std::uint8_t>& bytes)
{
    std::vector<std::string> faults;
    static const SignatureChecker checker;
    Sha256 whole;
    bool complete = false;
    const ModuleSignature signature = checker.Check(path, &whole, &complete);
    const auto digest = whole.Finish();
    Sha256 expected;
    expected.Update(bytes.data(), bytes.size());
    if (!signature.read || !complete || !digest || digest != expected.Finish())
        faults.push_back("the pass did not hash the whole file");

    // No table in the headers: no signature, and nothing about one.
    const auto location = signature::LocateCertificateTable(bytes.data(), bytes.size(), bytes.size());
    if (location.state == signature::TableState::None && signature.kind != SignatureKind::None)
        faults.push_back("a signature where the headers state no table");
    if (location.state == signature::TableState::Broken && signature.check != SignatureCheck::Broken)
        faults.push_back("a broken table not reported broken");
    // Intact only where Windows finds the signature: the table ending the
    // file after every section, its first entry the signed data.
    if (signature.check == SignatureCheck::Intact &&
        (location.state != signature::TableState::Present ||
         signature::FindSignedDataEntry(bytes.data() + location.layout.tableOffset, location.layout.tableSize).state !=
             signature::EntryState::Found))
        faults.push_back("intact where Windows takes no signature");
    if ((signature.kind == SignatureKind::None) != (signature.check == SignatureCheck::None))
        faults.push_back("kind and check disagree on whether there is a signature");
    if (signature.kind == SignatureKind::None &&
        !(signature.signer + signature.signedOn + signature.digestAlgorithm).empty())
        faults.push_back("facts of a signature that is not there");
    if (signature.trust != SignatureTrust::Unchecked) faults.push_back("trust judged without roots");
    CheckFields(signature.signedOn, signature.digestAlgorithm, faults);
    return faults;
}

std::vector<std::string> ReadSignatureBlob(const std::uint8_t* data, std::size_t size)
{
    std::vector<std::string> faults;
    const signature::AuthenticodeSignature blob = signature::ReadAuthenticode(data, size);
    if (blob.readable && (!blob.imageDigest || blob.digestName.empty()))
        faults.push_back("readable without a digest algorithm");
    if (blob.signatureVerifies && !blob.signerCertificate) faults.push_back("verified without a signer");
    CheckFields(blob.signedOn, blob.digestName, faults);
    return faults;
}

}  // namespace fuzz
