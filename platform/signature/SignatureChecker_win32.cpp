// The check on Windows: the system's own verdict (WinVerifyTrust, no UI, no
// network, no revocation), the embedded signature first and, for a module
// without one, the system's catalogs.
#include "platform/win32.h"

#include <wincrypt.h>
#include <wintrust.h>
#include <softpub.h>
#include <mscat.h>

#include <string>
#include <vector>

#include "platform/UniqueHandles.h"
#include "platform/signature/ModulePass.h"
#include "platform/signature/ModuleSignature.h"
#include "platform/signature/SignedDataRules_win32.h"
#include "platform/signature/SignerFacts_win32.h"

namespace platform {

using namespace signature;

struct SignatureChecker::Roots {};

namespace {

// The engine's paths are in the ANSI code page.
std::wstring Wide(const char* text)
{
    const int size = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
    if (size <= 1) return {};
    std::wstring wide(static_cast<std::size_t>(size), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text, -1, &wide[0], size);
    wide.resize(static_cast<std::size_t>(size - 1));
    return wide;
}

// The refusal the primary signer's own chain states, or success. Wine 8
// answers success for a chain ending in a root the store does not hold;
// the chain context still says so.
LONG ChainStatus(HANDLE state)
{
    CRYPT_PROVIDER_DATA* provider = WTHelperProvDataFromStateData(state);
    CRYPT_PROVIDER_SGNR* signer = provider ? WTHelperGetProvSignerFromChain(provider, 0, FALSE, 0) : nullptr;
    if (!signer || !signer->pChainContext) return ERROR_SUCCESS;
    const DWORD errors = signer->pChainContext->TrustStatus.dwErrorStatus;
    if (errors & CERT_TRUST_IS_EXPLICIT_DISTRUST) return TRUST_E_EXPLICIT_DISTRUST;
    if (errors & CERT_TRUST_IS_UNTRUSTED_ROOT) return CERT_E_UNTRUSTEDROOT;
    if (errors & CERT_TRUST_IS_PARTIAL_CHAIN) return CERT_E_CHAINING;
    return ERROR_SUCCESS;
}

// One WinVerifyTrust call on `data`, its state always closed again.
LONG VerifyTrust(WINTRUST_DATA& data)
{
    GUID action = WINTRUST_ACTION_GENERIC_VERIFY_V2;
    data.cbStruct = sizeof data;
    data.dwUIChoice = WTD_UI_NONE;
    data.fdwRevocationChecks = WTD_REVOKE_NONE;
    data.dwProvFlags = WTD_REVOCATION_CHECK_NONE | WTD_CACHE_ONLY_URL_RETRIEVAL;
    data.dwStateAction = WTD_STATEACTION_VERIFY;
    LONG status = WinVerifyTrust(static_cast<HWND>(INVALID_HANDLE_VALUE), &action, &data);
    if (status == ERROR_SUCCESS) status = ChainStatus(data.hWVTStateData);
    data.dwStateAction = WTD_STATEACTION_CLOSE;
    WinVerifyTrust(static_cast<HWND>(INVALID_HANDLE_VALUE), &action, &data);
    return status;
}

bool NoSignature(LONG status)
{
    return status == TRUST_E_NOSIGNATURE || status == TRUST_E_SUBJECT_FORM_UNKNOWN ||
           status == TRUST_E_PROVIDER_UNKNOWN;
}

// A signature that holds but whose chain Windows does not trust.
bool ChainRefused(LONG status)
{
    switch (status) {
    case CERT_E_UNTRUSTEDROOT:
    case CERT_E_UNTRUSTEDTESTROOT:
    case CERT_E_CHAINING:
    case CERT_E_UNTRUSTEDCA:
    case CERT_E_EXPIRED:
    case CERT_E_VALIDITYPERIODNESTING:
    case CERT_E_WRONG_USAGE:
    case CERT_E_PURPOSE:
    case CERT_E_REVOKED:
    case TRUST_E_BASIC_CONSTRAINTS:
    case TRUST_E_EXPLICIT_DISTRUST: return true;
    default: return false;
    }
}

void ApplyStatus(LONG status, ModuleSignature& signature)
{
    if (status == ERROR_SUCCESS) {
        signature.check = SignatureCheck::Intact;
        signature.trust = SignatureTrust::Trusted;
        return;
    }
    // The system's store always judges: a signature that is not intact vouches for nobody.
    signature.trust = SignatureTrust::Untrusted;
    if (status == TRUST_E_BAD_DIGEST) signature.check = SignatureCheck::Tampered;
    else if (ChainRefused(status)) signature.check = SignatureCheck::Intact;
    else signature.check = SignatureCheck::Broken;
}

using AcquireContext2 = BOOL(WINAPI*)(HCATADMIN*, const GUID*, const WCHAR*, PCCERT_STRONG_SIGN_PARA, DWORD);
using CalcHash2 = BOOL(WINAPI*)(HCATADMIN, HANDLE, DWORD*, BYTE*, DWORD);

template <class Function>
Function WintrustFunction(const char* name)
{
    HMODULE wintrust = GetModuleHandleA("wintrust.dll");
    return wintrust ? reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(wintrust, name))) : nullptr;
}

// SHA-256 catalogs (Windows 8 on) need the newer calls, found at run time
// so that the program still starts on Windows 7; SHA-1 ones the old calls.
bool AcquireCatalogAdmin(bool sha256, HCATADMIN& admin)
{
    GUID subsystem = DRIVER_ACTION_VERIFY;
    if (!sha256) return CryptCATAdminAcquireContext(&admin, &subsystem, 0) != FALSE;
    const auto acquire2 = WintrustFunction<AcquireContext2>("CryptCATAdminAcquireContext2");
    return acquire2 && acquire2(&admin, &subsystem, L"SHA256", nullptr, 0) != FALSE;
}

std::vector<BYTE> CatalogHash(bool sha256, HCATADMIN admin, HANDLE file)
{
    const auto calc2 = sha256 ? WintrustFunction<CalcHash2>("CryptCATAdminCalcHashFromFileHandle2") : nullptr;
    if (sha256 && !calc2) return {};
    const auto calculate = [&](DWORD* size, BYTE* hash) {
        return sha256 ? calc2(admin, file, size, hash, 0) : CryptCATAdminCalcHashFromFileHandle(file, size, hash, 0);
    };
    DWORD size = 0;
    calculate(&size, nullptr);
    std::vector<BYTE> hash(size);
    if (size == 0 || !calculate(&size, hash.data())) return {};
    hash.resize(size);
    return hash;
}

// The catalog that lists the module's hash, checked as the module's
// signature. False when no catalog lists it.
bool CheckInCatalog(const std::wstring& path, ModuleSignature& signature)
{
    const UniqueFileHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                            FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.IsValid()) return false;
    for (const bool sha256 : {true, false}) {
        HCATADMIN admin = nullptr;
        if (!AcquireCatalogAdmin(sha256, admin)) continue;
        std::vector<BYTE> hash = CatalogHash(sha256, admin, file.Get());
        const DWORD size = static_cast<DWORD>(hash.size());
        HCATINFO catalog = nullptr;
        if (size != 0) catalog = CryptCATAdminEnumCatalogFromHash(admin, hash.data(), size, 0, nullptr);
        CATALOG_INFO info = {};
        info.cbStruct = sizeof info;
        if (catalog && CryptCATCatalogInfoFromContext(catalog, &info, 0)) {
            static const wchar_t kDigits[] = L"0123456789ABCDEF";
            std::wstring tag;
            for (const BYTE byte : hash) {
                tag += kDigits[byte >> 4];
                tag += kDigits[byte & 0x0F];
            }
            WINTRUST_CATALOG_INFO member = {};
            member.cbStruct = sizeof member;
            member.pcwszCatalogFilePath = info.wszCatalogFile;
            member.pcwszMemberTag = tag.c_str();
            member.pcwszMemberFilePath = path.c_str();
            member.hMemberFile = file.Get();
            member.pbCalculatedFileHash = hash.data();
            member.cbCalculatedFileHash = size;
            WINTRUST_DATA data = {};
            data.dwUnionChoice = WTD_CHOICE_CATALOG;
            data.pCatalog = &member;
            signature.kind = SignatureKind::Catalog;
            ApplyStatus(VerifyTrust(data), signature);
            if (signature.check != SignatureCheck::Broken) ReadSignerFacts(info.wszCatalogFile, signature);
        }
        if (catalog) CryptCATAdminReleaseCatalogContext(admin, catalog, 0);
        CryptCATAdminReleaseContext(admin, 0);
        if (signature.kind == SignatureKind::Catalog) return true;
    }
    return false;
}

}  // namespace

SignatureChecker::SignatureChecker(const std::string& trustRoots)
{
    if (!trustRoots.empty())
        m_loadError = "trust roots are read on Linux only; Windows checks against its own trust store";
}

SignatureChecker::~SignatureChecker() = default;

const std::string& SignatureChecker::LoadError() const
{
    return m_loadError;
}

// The file itself could not be opened: no verdict, rather than a wrong one.
static bool CouldNotOpen(LONG status)
{
    for (const DWORD error :
         {ERROR_FILE_NOT_FOUND, ERROR_PATH_NOT_FOUND, ERROR_ACCESS_DENIED, ERROR_SHARING_VIOLATION}) {
        if (status == static_cast<LONG>(error) || status == HRESULT_FROM_WIN32(error)) return true;
    }
    return false;
}

ModuleSignature SignatureChecker::Check(const char* path, Sha256* wholeFile, bool* wholeFileComplete) const
{
    return Check(ModuleFile(path, FileSharing::Readers), path, wholeFile, wholeFileComplete, nullptr);
}

ModuleSignature SignatureChecker::Check(const ModuleFile& file, const char* path, Sha256* wholeFile,
                                        bool* wholeFileComplete, const KeepReadingFlag* keepReading) const
{
    ModuleSignature signature;
    // The system reads the module itself; the pass here hashes it and finds
    // where its table lies, or without a hash to make reads no more than the
    // headers and the table.
    const ModulePass pass = ReadModule(file, wholeFile, {}, keepReading);
    if (wholeFileComplete) *wholeFileComplete = wholeFile && pass.wholeFileFed && pass.Sound();
    if (!pass.Sound()) return signature;

    const std::wstring wide = Wide(path);
    if (wide.empty()) return signature;
    // A table that the headers state where Windows takes none, whose first
    // entry is no signature, or whose signature is no Authenticode one of a
    // PE image, is broken whatever WinVerifyTrust says: Windows refuses such
    // a file, Wine's WinVerifyTrust may not.
    const bool signedDataRefused =
        pass.entry == EntryState::Found && JudgeSignedData(pass.signedData) == SignedDataVerdict::Breaks;
    if (pass.location.state == TableState::Broken || pass.entry == EntryState::Broken || signedDataRefused) {
        signature.read = true;
        signature.kind = SignatureKind::Embedded;
        signature.check = SignatureCheck::Broken;
        signature.trust = SignatureTrust::Untrusted;
        return signature;
    }
    WINTRUST_FILE_INFO subject = {};
    subject.cbStruct = sizeof subject;
    subject.pcwszFilePath = wide.c_str();
    WINTRUST_DATA data = {};
    data.dwUnionChoice = WTD_CHOICE_FILE;
    data.pFile = &subject;
    const LONG status = VerifyTrust(data);
    if (CouldNotOpen(status)) return signature;
    signature.read = true;
    if (NoSignature(status)) {
        if (status == TRUST_E_NOSIGNATURE) CheckInCatalog(wide, signature);
        return signature;
    }
    signature.kind = SignatureKind::Embedded;
    ApplyStatus(status, signature);
    // A broken signature's signer and times are claims nobody vouches for.
    if (signature.check != SignatureCheck::Broken) ReadSignerFacts(wide.c_str(), signature);
    return signature;
}

}  // namespace platform
