#include "cli/FieldValues.h"

#include <algorithm>

#include "cli/VersionFacts.h"
#include "engine/ModuleHeaderTexts.h"
#include "engine/RowCells.h"
#include "platform/NarrowText.h"
#include "support/TerminalText.h"
#include "support/TextEscapes.h"
#include "support/UtcTime.h"

namespace {

using Text = std::optional<std::string>;

Text UnlessEmpty(std::string text)
{
    if (text.empty()) return std::nullopt;
    return text;
}

// The company as a typed output shows it: read wide where it may, else
// the window's text.
std::string CompanyText(const dllVersionInfo& row, const ModuleFacts& facts, const FieldContext& context)
{
    if (context.utf8 && !facts.versionBlock.IsEmpty()) {
        if (auto company = facts.versionBlock.LastTranslationUtf8Text("CompanyName")) return *company;
    }
    return context.utf8 ? platform::Utf8OfNarrow(row.GetCompany()) : std::string(row.GetCompany());
}

Text ColumnValue(Field field, const dllVersionInfo& row, const ModuleFacts& facts, const FieldContext& context)
{
    switch (field) {
    case Field::ProductVersion:
        if (!facts.version.fixedInfoFound) return std::nullopt;
        return std::string(row.GetProductVersion());
    case Field::FileVersion:
        if (!facts.version.fixedInfoFound) return std::nullopt;
        return std::string(row.GetFileVersion());
    case Field::Date: return UnlessEmpty(row.GetDate());
    case Field::Bits: return UnlessEmpty(BitCell(row.GetBits()));
    case Field::Company:
        if (!facts.version.companyFound) return std::nullopt;
        return CompanyText(row, facts, context);
    default: return std::string(row.GetFileName());
    }
}

Text VersionValue(Field field, const platform::VersionBlock& block, bool utf8)
{
    const auto text = [&](const char* name) {
        return utf8 ? block.LastTranslationUtf8Text(name) : block.LastTranslationText(name);
    };
    const auto fixed = block.FixedInfo();
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
    case Field::FileVersionText: return text("FileVersion");
    case Field::ProductVersionText: return text("ProductVersion");
    case Field::FileDescription: return text("FileDescription");
    case Field::ProductName: return text("ProductName");
    case Field::OriginalFilename: return text("OriginalFilename");
    case Field::InternalName: return text("InternalName");
    case Field::LegalCopyright: return text("LegalCopyright");
    default: return TranslationText(block);
    }
}

// What the headers say; nothing for a file that is no module.
Text HeaderValue(Field field, const std::optional<ModuleHeader>& header)
{
    if (!header || header->kind == ModuleKind::NotAModule) return std::nullopt;
    switch (field) {
    case Field::Machine: return UnlessEmpty(MachineText(*header));
    case Field::Subsystem: return UnlessEmpty(SubsystemText(*header));
    case Field::Managed: return std::string(ManagedText(*header));
    default: return UnlessEmpty(LinkTimeText(*header));
    }
}

Text FileStatusValue(Field field, const ModuleFacts& facts)
{
    if (field == Field::Size) {
        if (facts.size) return std::to_string(*facts.size);
        return std::nullopt;
    }
    if (!facts.lastWrite) return std::nullopt;
    const FILETIME& time = *facts.lastWrite;
    return support::UtcTimeTextOfFileTime(std::uint64_t{time.dwHighDateTime} << 32 | time.dwLowDateTime);
}

Text SignatureValue(Field field, const std::optional<platform::ModuleSignature>& signature)
{
    if (!signature) return std::nullopt;
    switch (field) {
    case Field::Signed: return std::string(platform::SignatureKindText(signature->kind));
    case Field::Signer: return UnlessEmpty(signature->signer);
    case Field::SignedOn: return UnlessEmpty(signature->signedOn);
    case Field::DigestAlgorithm: return UnlessEmpty(signature->digestAlgorithm);
    case Field::SignatureCheck: return std::string(platform::SignatureCheckText(signature->check));
    default: return std::string(platform::SignatureTrustText(signature->trust));
    }
}

// A row of system information: its label in the first column, its value in
// the second, except the processors' identifier and vendor rows, which name
// the fact in the second column and carry its text in the last.
Text SystemInfoValue(Field field, const dllVersionInfo& row)
{
    const std::string label = row.GetProductVersion();
    const std::string second = row.GetFileVersion();
    const std::string text = row.GetFileName();
    if (field == Field::InfoLabel) return text.empty() ? label : label + " " + second;
    return text.empty() ? second : text;
}

// "later:/path;wrong-machine:/path" for tsv and csv, an array for jsonl.
std::string ShadowedText(const loader::LoadRow& row, bool json)
{
    std::string text;
    for (const loader::ShadowedCopy& copy : row.shadowed) {
        if (json) {
            text += std::string(text.empty() ? "" : ",") + "{\"path\":" + support::JsonString(copy.path) +
                    ",\"why\":\"" + loader::PassedOverText(copy.why) + "\",\"foundBy\":\"" +
                    loader::FoundByText(copy.where) + "\"}";
        } else {
            text += std::string(text.empty() ? "" : ";") + loader::PassedOverText(copy.why) + ":" + copy.path;
        }
    }
    return json ? "[" + text + "]" : text;
}

Text LoadValue(Field field, const loader::LoadRow* row, bool json)
{
    if (!row) return std::nullopt;
    switch (field) {
    case Field::Program: return row->program;
    case Field::ImportName: return row->importName;
    case Field::ImportedBy: return row->importedBy;
    case Field::Depth: return std::to_string(row->depth);
    case Field::LoadKind: return std::string(loader::LoadKindText(row->loadKind));
    case Field::FoundBy: return std::string(loader::FoundByText(row->foundBy));
    case Field::Shadowed: return ShadowedText(*row, json);
    case Field::Problem: return std::string(loader::ProblemText(row->problem));
    default: return std::string(row->builtin ? "true" : "false");
    }
}

// The value as the narrow code page has it, or as the version block gives
// it in UTF-8.
Text RawValue(Field field, const dllVersionInfo& row, const FieldContext& context, bool& isUtf8)
{
    isUtf8 = false;
    const FieldGroup group = GroupOf(field);
    if (group == FieldGroup::Host) return context.host;
    // Shadowed paths are written into JSON here already, in UTF-8.
    if (group == FieldGroup::Load) {
        isUtf8 = field == Field::Shadowed && context.utf8;
        return LoadValue(field, context.loadRow, context.jsonl);
    }
    const RowFacts* facts = row.GetFacts();
    // Rows of system information are the rows without facts.
    if (group == FieldGroup::SystemInfo) return facts ? std::nullopt : SystemInfoValue(field, row);
    if (!facts) return std::nullopt;
    if (!facts->module) return std::nullopt;
    const ModuleFacts& module = *facts->module;
    switch (group) {
    case FieldGroup::Column:
        isUtf8 = field == Field::Company && context.utf8;
        return ColumnValue(field, row, module, context);
    case FieldGroup::Version: isUtf8 = context.utf8; return VersionValue(field, module.versionBlock, context.utf8);
    case FieldGroup::Header: return HeaderValue(field, module.header);
    case FieldGroup::FileStatus: return FileStatusValue(field, module);
    case FieldGroup::Hash: return module.sha256;
    case FieldGroup::Signature: return SignatureValue(field, module.signature);
    case FieldGroup::Walk: return facts->foundUnder;
    default: return std::nullopt;
    }
}

}  // namespace

Text FieldValue(Field field, const dllVersionInfo& row, const FieldContext& context)
{
    bool isUtf8 = false;
    Text value = RawValue(field, row, context, isUtf8);
    if (value && context.utf8 && !isUtf8) value = platform::Utf8OfNarrow(*value);
    return value;
}

std::string CellText(Field field, const dllVersionInfo& row, const FieldContext& context)
{
    if (GroupOf(field) != FieldGroup::Column) return FieldValue(field, row, context).value_or("");
    const RowFacts* facts = row.GetFacts();
    if (field == Field::Company && facts && facts->module) return CompanyText(row, *facts->module, context);
    const std::string cell = RowCells(row)[static_cast<int>(field)];
    return context.utf8 ? platform::Utf8OfNarrow(cell) : cell;
}

bool NeedsSignatures(const std::vector<Field>& fields)
{
    for (Field field : fields) {
        if (GroupOf(field) == FieldGroup::Signature) return true;
    }
    return false;
}

bool OpenSignatureChecker(const std::vector<Field>& fields, const std::string& trustRoots, std::FILE* err,
                          std::unique_ptr<platform::SignatureChecker>& checker)
{
    if (!NeedsSignatures(fields) && trustRoots.empty()) return true;
    checker = std::make_unique<platform::SignatureChecker>(trustRoots);
    if (checker->LoadError().empty()) return true;
    std::fprintf(err, "modaris-scan: %s\n", support::EscapedForTerminal(checker->LoadError()).c_str());
    checker.reset();
    return false;
}

InspectionRequest RequestFor(const std::vector<Field>& fields, const platform::SignatureChecker* signatures,
                             const FieldContext& context)
{
    InspectionRequest request;
    // The company of a UTF-8 output is read wide from the block, on Windows.
    request.versionBlock = context.utf8 && !platform::kNarrowIsUtf8 &&
                           std::find(fields.begin(), fields.end(), Field::Company) != fields.end();
    for (Field field : fields) {
        switch (GroupOf(field)) {
        case FieldGroup::Version: request.versionBlock = true; break;
        case FieldGroup::Header: request.header = true; break;
        case FieldGroup::FileStatus: request.fileStatus = true; break;
        case FieldGroup::Hash: request.sha256 = true; break;
        case FieldGroup::Signature: request.signatures = signatures; break;
        default: break;
        }
    }
    return request;
}

std::string HostName()
{
    char name[256] = "";
    DWORD size = sizeof name;
    if (GetComputerNameExA(ComputerNameDnsHostname, name, &size)) return std::string(name, size);
    return std::string();
}
