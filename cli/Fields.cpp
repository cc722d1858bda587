#include "cli/Fields.h"

#include <algorithm>
#include <sstream>

namespace {

using K = JsonKind;
using G = FieldGroup;

const std::vector<FieldInfo> kFields = {
    {Field::ProductVersion, "productVersion", K::Text, G::Column, nullptr},
    {Field::FileVersion, "fileVersion", K::Text, G::Column, nullptr},
    {Field::Date, "date", K::Text, G::Column, nullptr},
    {Field::Bits, "bits", K::Number, G::Column, nullptr},
    {Field::Company, "company", K::Text, G::Column, nullptr},
    {Field::FileName, "fileName", K::Text, G::Column,
     "the window's columns; a version as the window shows it (1.2.3.4 reads 1.000200.3.000400); bits is a "
     "number, null when unknown"},
    {Field::FileVersionNumber, "fileVersionNumber", K::Text, G::Version, nullptr},
    {Field::ProductVersionNumber, "productVersionNumber", K::Text, G::Version,
     "the fixed info's versions as four numbers: 6.1.7601.17514"},
    {Field::FileVersionText, "fileVersionText", K::Text, G::Version, nullptr},
    {Field::ProductVersionText, "productVersionText", K::Text, G::Version, nullptr},
    {Field::FileDescription, "fileDescription", K::Text, G::Version, nullptr},
    {Field::ProductName, "productName", K::Text, G::Version, nullptr},
    {Field::OriginalFilename, "originalFilename", K::Text, G::Version, nullptr},
    {Field::InternalName, "internalName", K::Text, G::Version, nullptr},
    {Field::LegalCopyright, "legalCopyright", K::Text, G::Version,
     "the version resource's strings FileVersion, ProductVersion and so on, from the last translation that "
     "has each"},
    {Field::Translation, "translation", K::Text, G::Version,
     "language and code page of the string table used: 040904b0"},
    {Field::FileFlags, "fileFlags", K::Text, G::Version,
     "the fixed info's set flags: debug, prerelease, patched, privatebuild, infoinferred, specialbuild, "
     "separated by commas"},
    {Field::Machine, "machine", K::Text, G::Header,
     "i386, amd64, arm64, arm, ia64 or the hex value; ne for a 16-bit module"},
    {Field::Subsystem, "subsystem", K::Text, G::Header,
     "windows-gui, windows-cui, native, efi-application, efi-boot-service-driver, efi-runtime-driver, "
     "posix-cui, windows-ce-gui, boot-application, or the number"},
    {Field::Managed, "managed", K::Boolean, G::Header, "true for a .NET assembly (it has a CLR runtime header)"},
    {Field::LinkTime, "linkTime", K::Text, G::Header, "the header's link time, UTC: 2023-02-18T22:16:05Z"},
    {Field::Size, "size", K::Number, G::FileStatus, "the file's size in bytes"},
    {Field::Modified, "modified", K::Text, G::FileStatus, "the last write, UTC, to the second"},
    {Field::Sha256, "sha256", K::Text, G::Hash, "the SHA-256 of the whole file, lower-case hex"},
    {Field::Signed, "signed", K::Text, G::Signature,
     "none, embedded (an Authenticode signature in the file) or catalog (Windows: signed through a system "
     "catalog)"},
    {Field::Signer, "signer", K::Text, G::Signature, "the signing certificate's common name, else its organisation"},
    {Field::SignedOn, "signedOn", K::Text, G::Signature,
     "the signing time, UTC, from a timestamp that verifies (its authority's certificate valid at that time), "
     "else the signer's own signing-time attribute; empty for a broken signature"},
    {Field::DigestAlgorithm, "digestAlgorithm", K::Text, G::Signature,
     "the signature's digest: md5, sha1, sha256, sha384 or sha512"},
    {Field::SignatureCheck, "signatureCheck", K::Text, G::Signature,
     "intact (the file is what was signed and the signature verifies), tampered (changed after signing), broken "
     "(the signature cannot be read, does not verify, or is not where and what Windows takes) or none; empty when "
     "the file changed while it was read"},
    {Field::Trust, "trust", K::Text, G::Signature,
     "trusted or untrusted: whether the signer's chain leads to a trusted root for code signing; unchecked on "
     "Linux without --trust-roots. Revocation is not checked"},
    {Field::FoundUnder, "foundUnder", K::Text, G::Walk,
     "the directory or drive root whose walk found the file, as given"},
    {Field::Program, "program", K::Text, G::Load, "with --loads: the file name of the PROGRAM the row is loaded for"},
    {Field::ImportName, "importName", K::Text, G::Load,
     "the name as the importer's table writes it (api-ms-win-crt-runtime-l1-1-0.dll, KERNEL32.dll); the "
     "program's own file name for its first row"},
    {Field::ImportedBy, "importedBy", K::Text, G::Load,
     "the file name of the first module (in load order) that imports it; empty for the program"},
    {Field::Depth, "depth", K::Number, G::Load, "0 for the program, 1 for its imports, and so on (shortest chain)"},
    {Field::LoadKind, "loadKind", K::Text, G::Load,
     "program, static (import table), delay (delay-load table) or forwarder (named by an export forwarder of a "
     "function that is imported)"},
    {Field::FoundBy, "foundBy", K::Text, G::Load,
     "the rule that chose the copy: given (the program), apiset, knowndll, sxs, loaded, appdir, system, system16, "
     "windows, current, path, or missing"},
    {Field::Shadowed, "shadowed", K::Json, G::Load,
     "every other copy of that name along the search order that loses, in search order, with why (later, "
     "wrong-machine, unreadable): why:path separated by ';' in tsv and csv, an array of objects {path, why, "
     "foundBy} in jsonl"},
    {Field::Problem, "problem", K::Text, G::Load,
     "empty, missing, wrong-machine (only copies of another machine type), unreadable, or sxs-unresolved (an "
     "assembly the manifest names is not in WinSxS; the search went on)"},
    {Field::Builtin, "builtin", K::Boolean, G::Load, "true for a Wine placeholder of a module Wine provides itself"},
    {Field::Host, "host", K::Text, G::Host, "this computer's name"},
    {Field::InfoLabel, "infoLabel", K::Text, G::SystemInfo, nullptr},
    {Field::InfoValue, "infoValue", K::Text, G::SystemInfo,
     "a row of system information (--sysinfo): its label (OS Version, Processor 0 Identifier) and its value; "
     "null in the rows of modules"},
};

}  // namespace

const std::vector<FieldInfo>& FieldTable()
{
    return kFields;
}

const FieldInfo& InfoOf(Field field)
{
    // The table lists the fields in the order of the enumeration.
    return kFields[static_cast<std::size_t>(field)];
}

std::vector<Field> ColumnFields()
{
    return {Field::ProductVersion, Field::FileVersion, Field::Date, Field::Bits, Field::Company, Field::FileName};
}

std::vector<Field> AllFields()
{
    std::vector<Field> fields;
    for (const FieldInfo& info : kFields) fields.push_back(info.field);
    return fields;
}

std::optional<std::vector<Field>> ParseFieldList(const std::string& list, std::string& error)
{
    std::vector<std::string> names;
    std::stringstream pieces(list);
    std::string piece;
    while (std::getline(pieces, piece, ',')) {
        if (!piece.empty()) names.push_back(piece);
    }
    // "all" stands for every field not named elsewhere in the list, at its
    // place: --fields=all,host puts host last.
    std::vector<Field> named;
    for (const std::string& name : names) {
        if (name == "all") continue;
        const auto found =
            std::find_if(kFields.begin(), kFields.end(), [&](const FieldInfo& info) { return name == info.name; });
        if (found == kFields.end()) {
            error = "unknown field '" + name + "' in --fields (see --help for the names, or use 'all')";
            return std::nullopt;
        }
        // A key written twice in one JSON object means nothing a reader can trust.
        if (std::find(named.begin(), named.end(), found->field) != named.end()) {
            error = "field '" + name + "' named twice in --fields";
            return std::nullopt;
        }
        named.push_back(found->field);
    }
    if (std::count(names.begin(), names.end(), "all") > 1) {
        error = "field 'all' named twice in --fields";
        return std::nullopt;
    }
    std::vector<Field> fields;
    for (const std::string& name : names) {
        if (name != "all") {
            fields.push_back(std::find_if(kFields.begin(), kFields.end(), [&](const FieldInfo& info) {
                                 return name == info.name;
                             })->field);
            continue;
        }
        for (const FieldInfo& info : kFields) {
            if (std::find(named.begin(), named.end(), info.field) == named.end()) fields.push_back(info.field);
        }
    }
    if (fields.empty()) {
        error = "--fields needs at least one field name, or 'all'";
        return std::nullopt;
    }
    return fields;
}
