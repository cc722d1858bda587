// Who signed a module and whether it is still the file they signed: on
// Windows the system's own verdict (WinVerifyTrust), elsewhere the
// Authenticode signature read from the file's certificate table and checked
// with OpenSSL's libcrypto.
#pragma once

#include <memory>
#include <string>

#include "platform/file/ModuleFile.h"

namespace platform {

class Sha256;

enum class SignatureKind {
    None,
    Embedded,
    Catalog
};
enum class SignatureCheck {
    None,
    Intact,
    Tampered,
    Broken
};
enum class SignatureTrust {
    Unchecked,
    Trusted,
    Untrusted
};

struct ModuleSignature {
    // False when the file could not be opened or read through, or its size or
    // last write changed while it was read: then there is no verdict at all
    // (not "none").
    bool read = false;
    SignatureKind kind = SignatureKind::None;
    // The signing certificate's common name, else its organisation; empty
    // when there is no signature or it is broken (so are the next two).
    std::string signer;
    // ISO 8601 UTC ("2026-12-09T03:20:19Z"): a time stamp's time when it
    // verifies (its signature holds, it covers this signature, its
    // authority's certificate was valid at that time), else the signer's own
    // signingTime claim; empty when the signature states neither.
    std::string signedOn;
    // "sha1", "sha256", "sha384", "sha512" (or "md5"), as the signature says; empty when unknown.
    std::string digestAlgorithm;
    SignatureCheck check = SignatureCheck::None;
    SignatureTrust trust = SignatureTrust::Unchecked;
};

const char* SignatureKindText(SignatureKind kind);     // "none", "embedded", "catalog"
const char* SignatureCheckText(SignatureCheck check);  // "none", "intact", "tampered", "broken"
const char* SignatureTrustText(SignatureTrust trust);  // "unchecked", "trusted", "untrusted"

// Windows' check opens the module itself, sharing reading: a handle of
// ours that shares with nobody must be gone before it.
#ifdef _WIN32
constexpr bool kSignatureCheckOpensTheFile = true;
#else
constexpr bool kSignatureCheckOpensTheFile = false;
#endif

class SignatureChecker {
public:
    // Loads the trust roots once. `trustRoots` empty: trust is not checked
    // (Linux) / is the system's (Windows). Otherwise a PEM file or a folder of
    // PEM files; check LoadError() before use.
    explicit SignatureChecker(const std::string& trustRoots = std::string());
    ~SignatureChecker();
    SignatureChecker(const SignatureChecker&) = delete;
    SignatureChecker& operator=(const SignatureChecker&) = delete;

    // Empty when the roots loaded; else a text for the user naming the path
    // and the reason ("no certificate in 'x.pem'", "cannot read 'dir': ...").
    const std::string& LoadError() const;

    // Reads the module at `path` once, whole. When `wholeFile` is given,
    // every byte of the file is fed to it in order (so a SHA-256 of the file
    // costs no second read); the caller finishes it. A file that cannot be
    // opened or read, or that changed while read, gives a default
    // ModuleSignature and leaves `wholeFile` unfinished but possibly fed; the
    // caller then treats the hash as unread (the return of `wholeFileComplete`).
    ModuleSignature Check(const char* path, Sha256* wholeFile = nullptr, bool* wholeFileComplete = nullptr) const;

    // The same, reading through `file`, the module at `path` already open
    // (Linux: no second open; Windows, whose check opens the file itself,
    // wants it shared with other readers), and ending a long read at its
    // next chunk once `keepReading` is cleared (then there is no verdict).
    ModuleSignature Check(const ModuleFile& file, const char* path, Sha256* wholeFile, bool* wholeFileComplete,
                          const KeepReadingFlag* keepReading) const;

private:
    struct Roots;  // the platform's own trust store
    std::unique_ptr<Roots> m_roots;
    std::string m_loadError;
};

}  // namespace platform
