// The Windows checker on the signed test modules: each module's check as
// its manifest states it, Microsoft's rules, also where Wine's
// WinVerifyTrust alone calls intact what Windows refuses (a foreign SPC
// type or content type, a digest algorithm the SignedData does not list).
// The test prefix trusts no test root, so trust is left to
// tests/signed_modules/verdicts.sh, which puts the root in the store.
#include <gtest/gtest.h>

#include "SignedManifest.h"
#include "platform/signature/ModulePass.h"
#include "platform/signature/ModuleSignature.h"
#include "platform/signature/SignedDataRules_win32.h"

namespace {

using namespace platform;

TEST(SignatureCheckerOnWindows, GivesEveryModuleItsManifestCheck)
{
    const SignatureChecker checker;
    const auto rows = signed_manifest::Rows();
    ASSERT_GE(rows.size(), 30u);
    for (const auto& row : rows) {
        const ModuleSignature signature = checker.Check(signed_manifest::Module(row[0]).c_str());
        EXPECT_TRUE(signature.read) << row[0];
        EXPECT_EQ(SignatureCheckText(signature.check), row[5]) << row[0];
    }
}

// Windows decodes BER as well as DER: a ContentInfo of indefinite length is
// the system's to judge, not a broken signature.
TEST(SignatureCheckerOnWindows, LeavesASignatureInBerToTheSystem)
{
    using signature::JudgeSignedData;
    using signature::SignedDataVerdict;
    const std::vector<std::uint8_t> der =
        signature::ReadModule(signed_manifest::Module("sha256_x64.dll").c_str(), nullptr, {}).signedData;
    ASSERT_GT(der.size(), 4u);
    ASSERT_EQ(JudgeSignedData(der), SignedDataVerdict::Follows);
    ASSERT_EQ(der[1], 0x82);  // two bytes of length
    const std::size_t length = std::size_t{der[2]} << 8 | der[3];
    std::vector<std::uint8_t> ber{0x30, 0x80};
    ber.insert(ber.end(), der.begin() + 4, der.begin() + 4 + static_cast<std::ptrdiff_t>(length));
    ber.insert(ber.end(), {0x00, 0x00});
    EXPECT_EQ(JudgeSignedData(ber), SignedDataVerdict::NotJudged);
}

}  // namespace
