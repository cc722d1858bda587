// The checker on the signed test modules (tests/signed_modules): every
// field of every module as its manifest states it, the roots as a file and
// as a folder, and the file's hash from the same pass. The Authenticode
// digest itself is held against the one osslsigncode calculates.
#include <gtest/gtest.h>
#include <openssl/pem.h>
#include <openssl/rsa.h>
#include <openssl/x509v3.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "FileContents.h"
#include "SignedManifest.h"
#include "TempTree.h"
#include "platform/hash/Sha256.h"
#include "platform/signature/AuthenticodeStream.h"
#include "platform/signature/CertificateTable.h"
#include "platform/signature/ModuleSignature.h"

namespace {

using namespace platform;

const std::string& kDir = signed_manifest::Dir();
using signed_manifest::Module;

std::string Pki(const std::string& name)
{
    return kDir + "/pki/" + name;
}

std::vector<std::string> Fields(const ModuleSignature& s)
{
    return {s.read ? "read" : "unread",  SignatureKindText(s.kind),  s.signer, s.signedOn, s.digestAlgorithm,
            SignatureCheckText(s.check), SignatureTrustText(s.trust)};
}

TEST(SignatureChecker, GivesEveryModuleItsManifestVerdict)
{
    const SignatureChecker trusting(Pki("root.pem"));
    const SignatureChecker unchecked;
    ASSERT_EQ(trusting.LoadError(), "");
    const auto rows = signed_manifest::Rows();
    ASSERT_GE(rows.size(), 30u);
    for (const auto& row : rows) {
        std::vector<std::string> expected{"read"};
        expected.insert(expected.end(), row.begin() + 1, row.begin() + 7);
        EXPECT_EQ(Fields(trusting.Check(Module(row[0]).c_str())), expected) << row[0];
        // Without roots the same but for trust.
        std::vector<std::string> withoutRoots = expected;
        withoutRoots[6] = "unchecked";
        EXPECT_EQ(Fields(unchecked.Check(Module(row[0]).c_str())), withoutRoots) << row[0];
    }
}

TEST(SignatureChecker, TakesRootsFromAFileOrAFolder)
{
    const SignatureChecker folder(Pki("roots"));
    ASSERT_EQ(folder.LoadError(), "");
    EXPECT_EQ(folder.Check(Module("sha256_x86.dll").c_str()).trust, SignatureTrust::Trusted);

    const SignatureChecker other(Pki("other-root.pem"));
    EXPECT_EQ(other.Check(Module("sha256_x86.dll").c_str()).trust, SignatureTrust::Untrusted);
    EXPECT_EQ(other.Check(Module("other_root_x64.dll").c_str()).trust, SignatureTrust::Trusted);

    TempTree tree;
    tree.AddDirectory("empty");
    tree.AddFile("text.pem", "no certificate here\n");
    EXPECT_EQ(SignatureChecker(tree.PathOf("text.pem")).LoadError(),
              "no certificate in '" + tree.PathOf("text.pem") + "'");
    EXPECT_EQ(SignatureChecker(tree.PathOf("empty")).LoadError(), "no certificate in '" + tree.PathOf("empty") + "'");
    EXPECT_EQ(SignatureChecker(tree.PathOf("missing.pem")).LoadError(),
              "cannot read '" + tree.PathOf("missing.pem") + "': No such file or directory");
}

TEST(SignatureChecker, HashesTheWholeFileInTheSamePass)
{
    for (const char* name : {"sha256_timestamped_x64.exe", "unsigned_x86.dll", "tampered_code_x86.dll"}) {
        const std::string path = Module(name);
        Sha256 whole;
        bool complete = false;
        SignatureChecker().Check(path.c_str(), &whole, &complete);
        EXPECT_TRUE(complete) << name;
        const auto digest = whole.Finish();
        ASSERT_TRUE(digest);
        EXPECT_EQ(HexText(*digest), Sha256OfFile(path.c_str()).value_or("")) << name;
    }

    Sha256 whole;
    bool complete = true;
    const ModuleSignature missing = SignatureChecker().Check(Module("missing.dll").c_str(), &whole, &complete);
    EXPECT_FALSE(complete);
    EXPECT_EQ(Fields(missing), Fields(ModuleSignature()));
}

// A module past the pass's first chunk: its table is read ahead by
// position, and the chunks after it still reach both digests.
TEST(SignatureChecker, ReadsATableBeyondTheFirstChunk)
{
    TempTree tree;
    std::vector<unsigned char> bytes = ReadFileBytes(Module("unsigned_x64.dll"));
    for (std::size_t i = 0; i < 700 * 1024; ++i) bytes.push_back(static_cast<unsigned char>(i % 251));
    tree.AddFile("large.dll", bytes);
    const std::string signedPath = tree.PathOf("signed.dll");
    const std::string command = "osslsigncode sign -certs '" + Pki("signer-chain.pem") + "' -key '" +
                                Pki("signer.key") + "' -h sha256 -in '" + tree.PathOf("large.dll") + "' -out '" +
                                signedPath + "' >/dev/null 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0);

    Sha256 whole;
    bool complete = false;
    const ModuleSignature signature = SignatureChecker(Pki("root.pem")).Check(signedPath.c_str(), &whole, &complete);
    EXPECT_EQ(signature.check, SignatureCheck::Intact);
    EXPECT_EQ(signature.trust, SignatureTrust::Trusted);
    const auto digest = whole.Finish();
    ASSERT_TRUE(complete && digest);
    EXPECT_EQ(HexText(*digest), Sha256OfFile(signedPath.c_str()).value_or(""));
    EXPECT_EQ(SignatureChecker().Check(signedPath.c_str()).check, SignatureCheck::Intact);
}

// A certificate for `usage` under one of the test roots, with its chain and key.
void WriteCertificate(const std::string& issuer, const char* commonName, const char* usage, const char* notBefore,
                      const char* notAfter, const std::string& chainPath, const std::string& keyPath)
{
    FILE* rootKeyFile = std::fopen(Pki(issuer + ".key").c_str(), "r");
    FILE* rootFile = std::fopen(Pki(issuer + ".pem").c_str(), "r");
    ASSERT_TRUE(rootKeyFile && rootFile);
    EVP_PKEY* rootKey = PEM_read_PrivateKey(rootKeyFile, nullptr, nullptr, nullptr);
    X509* root = PEM_read_X509(rootFile, nullptr, nullptr, nullptr);
    std::fclose(rootKeyFile);
    std::fclose(rootFile);
    ASSERT_TRUE(rootKey && root);

    EVP_PKEY* key = EVP_RSA_gen(2048);
    X509* certificate = X509_new();
    ASN1_INTEGER_set(X509_get_serialNumber(certificate), 2021);
    X509_set_version(certificate, 2);
    ASN1_TIME_set_string(X509_getm_notBefore(certificate), notBefore);
    ASN1_TIME_set_string(X509_getm_notAfter(certificate), notAfter);
    X509_NAME* name = X509_get_subject_name(certificate);
    X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC, reinterpret_cast<const unsigned char*>(commonName), -1, -1, 0);
    X509_set_issuer_name(certificate, X509_get_subject_name(root));
    X509_set_pubkey(certificate, key);
    X509V3_CTX context;
    X509V3_set_ctx(&context, root, certificate, nullptr, nullptr, 0);
    for (const auto& [nid, value] :
         {std::pair{NID_basic_constraints, "critical,CA:FALSE"}, std::pair{NID_ext_key_usage, usage}}) {
        X509_EXTENSION* extension = X509V3_EXT_conf_nid(nullptr, &context, nid, value);
        X509_add_ext(certificate, extension, -1);
        X509_EXTENSION_free(extension);
    }
    ASSERT_GT(X509_sign(certificate, rootKey, EVP_sha256()), 0);

    FILE* chain = std::fopen(chainPath.c_str(), "w");
    FILE* keyFile = std::fopen(keyPath.c_str(), "w");
    ASSERT_TRUE(chain && keyFile);
    PEM_write_X509(chain, certificate);
    PEM_write_X509(chain, root);
    PEM_write_PrivateKey(keyFile, key, nullptr, nullptr, 0, nullptr, nullptr);
    std::fclose(chain);
    std::fclose(keyFile);
    X509_free(certificate);
    X509_free(root);
    EVP_PKEY_free(key);
    EVP_PKEY_free(rootKey);
}

// A time stamp is the signer's trust time only when its authority chains to
// the same roots for time stamping (the trusted case is in the manifest);
// the signer's own signing time never is.
TEST(SignatureChecker, JudgesAnExpiredSignerNowWithoutATrustedTimeStamp)
{
    TempTree tree;
    WriteCertificate("root", "Expired Signer", "codeSigning", "20210101000000Z", "20220101000000Z",
                     tree.PathOf("expired-chain.pem"), tree.PathOf("expired.key"));
    WriteCertificate("other-root", "Other TSA", "critical,timeStamping", "20200101000000Z", "20491231235959Z",
                     tree.PathOf("tsa-chain.pem"), tree.PathOf("tsa.key"));
    const std::string sign = "osslsigncode sign -certs '" + tree.PathOf("expired-chain.pem") + "' -key '" +
                             tree.PathOf("expired.key") + "' -h sha256 -time 1622548800 -in '" +
                             Module("unsigned_x86.dll") + "'";  // 2021-06-01
    const std::string stamp = " -TSA-certs '" + tree.PathOf("tsa-chain.pem") + "' -TSA-key '" + tree.PathOf("tsa.key") +
                              "' -TSA-time 1622635200";  // 2021-06-02T12:00:00Z
    ASSERT_EQ(std::system((sign + stamp + " -out '" + tree.PathOf("stamped.dll") + "' >/dev/null 2>&1").c_str()), 0);
    ASSERT_EQ(std::system((sign + " -out '" + tree.PathOf("unstamped.dll") + "' >/dev/null 2>&1").c_str()), 0);

    const SignatureChecker checker(Pki("root.pem"));
    const ModuleSignature stamped = checker.Check(tree.PathOf("stamped.dll").c_str());
    EXPECT_EQ(stamped.signedOn, "2021-06-02T12:00:00Z");  // the stamp itself verifies
    EXPECT_EQ(stamped.check, SignatureCheck::Intact);
    EXPECT_EQ(stamped.trust, SignatureTrust::Untrusted);
    const ModuleSignature unstamped = checker.Check(tree.PathOf("unstamped.dll").c_str());
    EXPECT_EQ(unstamped.signedOn, "2021-06-01T12:00:00Z");
    EXPECT_EQ(unstamped.check, SignatureCheck::Intact);
    EXPECT_EQ(unstamped.trust, SignatureTrust::Untrusted);
}

// What `osslsigncode verify` prints as "Calculated message digest".
std::string OsslsigncodeDigest(const std::string& path)
{
    FILE* pipe = popen(("osslsigncode verify -in '" + path + "' 2>&1").c_str(), "r");
    if (!pipe) return "no osslsigncode";
    std::string output;
    char buffer[4096];
    while (std::fgets(buffer, sizeof buffer, pipe)) output += buffer;
    pclose(pipe);
    const std::string label = "Calculated message digest : ";
    const std::size_t at = output.find(label);
    if (at == std::string::npos) return "no digest in: " + output;
    std::string hex = output.substr(at + label.size(), 64);
    for (char& c : hex) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return hex;
}

TEST(AuthenticodeDigest, IsTheOneOsslsigncodeCalculates)
{
    for (const char* name : {"sha256_x86.dll", "sha256_timestamped_x64.exe", "tampered_code_x64.dll"}) {
        const std::string path = Module(name);
        const std::vector<std::uint8_t> bytes = ReadFileBytes(path);
        const auto location = signature::LocateCertificateTable(bytes.data(), bytes.size(), bytes.size());
        ASSERT_EQ(location.state, signature::TableState::Present) << name;
        Sha256 digest;
        signature::AuthenticodeStream stream(location.layout.digested, [&](const std::uint8_t* data, std::size_t size) {
            return digest.Update(data, size);
        });
        ASSERT_TRUE(stream.Feed(bytes.data(), bytes.size()));
        const auto result = digest.Finish();
        ASSERT_TRUE(result);
        EXPECT_EQ(HexText(*result), OsslsigncodeDigest(path)) << name;
    }
}

}  // namespace
