// What Windows asks of the PKCS#7 SignedData in a module's certificate table
// before it calls it an Authenticode signature of a PE image. WinVerifyTrust
// asks it itself; Wine's does not, so the Windows build asks it first.
#pragma once

#include <cstdint>
#include <vector>

namespace platform::signature {

enum class SignedDataVerdict {
    Follows,   // the rules hold
    Breaks,    // a rule is broken: Windows refuses the signature
    NotJudged  // not DER throughout (BER's indefinite lengths): left to the system
};

// One signer; SPC_INDIRECT_DATA as the content type and as the signer's
// signed contentType attribute; the data of a PE image and nothing after
// the DigestInfo; the signer's digest algorithm among the SignedData's.
SignedDataVerdict JudgeSignedData(const std::vector<std::uint8_t>& signedData);

}  // namespace platform::signature
