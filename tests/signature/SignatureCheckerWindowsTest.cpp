// The Windows checker on the signed test modules: each module's check as
// its manifest states it, Microsoft's rules, also where Wine's
// WinVerifyTrust alone calls intact what Windows refuses (a foreign SPC
// type or content type, a digest algorithm the SignedData does not list).
// The test prefix trusts no test root, so trust is left to
// tests/signed_modules/verdicts.sh, which puts the root in the store.
#include <gtest/gtest.h>

#include "SignedManifest.h"
#include "platform/signature/ModuleSignature.h"

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

}  // namespace
