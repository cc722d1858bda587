#include "cli/ModuleFactReader.h"

#include <cstdio>

#include "cli/VersionFacts.h"
#include "engine/ModuleHeader.h"
#include "engine/ModuleHeaderTexts.h"
#include "platform/UniqueHandles.h"
#include "platform/hash/Sha256.h"

namespace {

bool IsVersionField(Field field)
{
    return field >= Field::FileVersionNumber && field <= Field::FileFlags;
}

bool IsSignatureField(Field field) { return field >= Field::Signed && field <= Field::Trust; }

bool IsOpenFileField(Field field)
{
    return (field >= Field::Machine && field <= Field::LinkTime) || field == Field::Size ||
           field == Field::Modified;
}

// A file time as ISO 8601 UTC, to the second.
std::optional<std::string> UtcText(const FILETIME& time)
{
    SYSTEMTIME fields;
    if (!FileTimeToSystemTime(&time, &fields)) return std::nullopt;
    char text[64];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02dZ", fields.wYear, fields.wMonth, fields.wDay,
                  fields.wHour, fields.wMinute, fields.wSecond);
    return std::string(text);
}

// What the open file itself says: its headers, size and last write.
struct OpenFileFacts {
    std::optional<ModuleHeader> header;
    std::optional<std::string> size;
    std::optional<std::string> modified;
};

OpenFileFacts ReadOpenFileFacts(const char* path)
{
    OpenFileFacts facts;
    const platform::UniqueFileHandle file(
        CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.IsValid()) return facts;
    LARGE_INTEGER size;
    if (GetFileSizeEx(file.Get(), &size)) facts.size = std::to_string(size.QuadPart);
    FILETIME creation, access, lastWrite;
    if (GetFileTime(file.Get(), &creation, &access, &lastWrite)) facts.modified = UtcText(lastWrite);
    facts.header = ReadModuleHeader(file.Get());
    return facts;
}

std::optional<std::string> VersionFact(Field field, const platform::VersionBlock& block,
                                       const std::optional<VS_FIXEDFILEINFO>& fixed)
{
    switch (field) {
    case Field::FileVersionNumber:
        if (fixed) return VersionNumberText(fixed->dwFileVersionMS, fixed->dwFileVersionLS);
        return std::nullopt;
    case Field::ProductVersionNumber:
        if (fixed) return VersionNumberText(fixed->dwProductVersionMS, fixed->dwProductVersionLS);
        return std::nullopt;
    case Field::FileFlags:
        if (fixed) return FileFlagsText(*fixed);
        return std::nullopt;
    case Field::FileVersionText: return VersionString(block, "FileVersion");
    case Field::ProductVersionText: return VersionString(block, "ProductVersion");
    case Field::FileDescription: return VersionString(block, "FileDescription");
    case Field::ProductName: return VersionString(block, "ProductName");
    case Field::OriginalFilename: return VersionString(block, "OriginalFilename");
    case Field::InternalName: return VersionString(block, "InternalName");
    case Field::LegalCopyright: return VersionString(block, "LegalCopyright");
    case Field::Translation: return TranslationText(block);
    default: return std::nullopt;
    }
}

std::optional<std::string> UnlessEmpty(std::string text)
{
    if (text.empty()) return std::nullopt;
    return text;
}

// What the headers say; nothing for a file that is no module.
std::optional<std::string> HeaderFact(Field field, const std::optional<ModuleHeader>& header)
{
    if (!header || header->kind == ModuleKind::NotAModule) return std::nullopt;
    switch (field) {
    case Field::Machine: return UnlessEmpty(MachineText(*header));
    case Field::Subsystem: return UnlessEmpty(SubsystemText(*header));
    case Field::Managed: return std::string(ManagedText(*header));
    case Field::LinkTime: return UnlessEmpty(LinkTimeText(*header));
    default: return std::nullopt;
    }
}

std::optional<std::string> SignatureFact(Field field, const platform::ModuleSignature& signature)
{
    switch (field) {
    case Field::Signed: return std::string(platform::SignatureKindText(signature.kind));
    case Field::Signer: return UnlessEmpty(signature.signer);
    case Field::SignedOn: return UnlessEmpty(signature.signedOn);
    case Field::DigestAlgorithm: return UnlessEmpty(signature.digestAlgorithm);
    case Field::SignatureCheck: return std::string(platform::SignatureCheckText(signature.check));
    case Field::Trust: return std::string(platform::SignatureTrustText(signature.trust));
    default: return std::nullopt;
    }
}

// The signature and, when asked too, the file's SHA-256 from the same read.
struct SignatureFacts {
    std::optional<platform::ModuleSignature> signature;
    std::optional<std::string> sha256;
};

SignatureFacts ReadSignatureFacts(const platform::SignatureChecker& checker, const char* path, bool withHash)
{
    SignatureFacts facts;
    platform::Sha256 hasher;
    bool wholeFileRead = false;
    platform::ModuleSignature signature = checker.Check(path, withHash ? &hasher : nullptr, &wholeFileRead);
    // A file that could not be read has no verdict to give.
    if (signature.read) facts.signature = std::move(signature);
    if (withHash && wholeFileRead) {
        if (const std::optional<platform::Sha256Digest> digest = hasher.Finish()) facts.sha256 = platform::HexText(*digest);
    }
    return facts;
}

}  // namespace

std::string HostName()
{
    char name[256] = "";
    DWORD size = sizeof name;
    if (GetComputerNameExA(ComputerNameDnsHostname, name, &size)) return std::string(name, size);
    return std::string();
}

ModuleFactReader::ModuleFactReader(std::vector<Field> fields, const std::string& trustRoots) : m_host(HostName())
{
    bool needsSignature = false;
    for (Field field : fields) {
        if (IsColumnField(field)) continue;
        m_fields.push_back(field);
        m_needsVersion = m_needsVersion || IsVersionField(field);
        m_needsOpenFile = m_needsOpenFile || IsOpenFileField(field);
        m_needsHash = m_needsHash || field == Field::Sha256;
        needsSignature = needsSignature || IsSignatureField(field);
    }
    if (needsSignature || !trustRoots.empty()) m_signatures = std::make_unique<platform::SignatureChecker>(trustRoots);
    if (!needsSignature && m_signatures && m_signatures->LoadError().empty()) m_signatures.reset();
}

std::string ModuleFactReader::LoadError() const { return m_signatures ? m_signatures->LoadError() : std::string(); }

ExtraFactValues ModuleFactReader::Read(const char* path) const
{
    const platform::VersionBlock block = m_needsVersion
                                             ? platform::VersionBlock::Read(platform::LinkedVersionFunctions(), path)
                                             : platform::VersionBlock::Read({}, path);
    const OpenFileFacts file = m_needsOpenFile ? ReadOpenFileFacts(path) : OpenFileFacts{};
    // Asked once, whichever fields take from it.
    const std::optional<VS_FIXEDFILEINFO> fixed = block.FixedInfo();
    const SignatureFacts signature =
        m_signatures ? ReadSignatureFacts(*m_signatures, path, m_needsHash) : SignatureFacts{};

    ExtraFactValues values;
    values.reserve(m_fields.size());
    for (Field field : m_fields) {
        if (IsVersionField(field)) {
            values.push_back(VersionFact(field, block, fixed));
        } else if (field == Field::Size) {
            values.push_back(file.size);
        } else if (field == Field::Modified) {
            values.push_back(file.modified);
        } else if (IsOpenFileField(field)) {
            values.push_back(HeaderFact(field, file.header));
        } else if (field == Field::Sha256) {
            values.push_back(m_signatures ? signature.sha256 : platform::Sha256OfFile(path));
        } else if (IsSignatureField(field)) {
            values.push_back(signature.signature ? SignatureFact(field, *signature.signature) : std::nullopt);
        } else {
            values.push_back(m_host);
        }
    }
    return values;
}
