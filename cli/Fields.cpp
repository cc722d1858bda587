#include "cli/Fields.h"

#include <sstream>

namespace {

struct FieldInfo {
    Field field;
    const char* name;
    JsonKind kind;
};

const FieldInfo kFields[] = {
    {Field::ProductVersion, "productVersion", JsonKind::Text},
    {Field::FileVersion, "fileVersion", JsonKind::Text},
    {Field::Date, "date", JsonKind::Text},
    {Field::Bits, "bits", JsonKind::Number},
    {Field::Company, "company", JsonKind::Text},
    {Field::FileName, "fileName", JsonKind::Text},
    {Field::FileVersionNumber, "fileVersionNumber", JsonKind::Text},
    {Field::ProductVersionNumber, "productVersionNumber", JsonKind::Text},
    {Field::FileVersionText, "fileVersionText", JsonKind::Text},
    {Field::ProductVersionText, "productVersionText", JsonKind::Text},
    {Field::FileDescription, "fileDescription", JsonKind::Text},
    {Field::ProductName, "productName", JsonKind::Text},
    {Field::OriginalFilename, "originalFilename", JsonKind::Text},
    {Field::InternalName, "internalName", JsonKind::Text},
    {Field::LegalCopyright, "legalCopyright", JsonKind::Text},
    {Field::Translation, "translation", JsonKind::Text},
    {Field::FileFlags, "fileFlags", JsonKind::Text},
    {Field::Machine, "machine", JsonKind::Text},
    {Field::Subsystem, "subsystem", JsonKind::Text},
    {Field::Managed, "managed", JsonKind::Boolean},
    {Field::LinkTime, "linkTime", JsonKind::Text},
    {Field::Size, "size", JsonKind::Number},
    {Field::Modified, "modified", JsonKind::Text},
    {Field::Sha256, "sha256", JsonKind::Text},
    {Field::Signed, "signed", JsonKind::Text},
    {Field::Signer, "signer", JsonKind::Text},
    {Field::SignedOn, "signedOn", JsonKind::Text},
    {Field::DigestAlgorithm, "digestAlgorithm", JsonKind::Text},
    {Field::SignatureCheck, "signatureCheck", JsonKind::Text},
    {Field::Trust, "trust", JsonKind::Text},
    {Field::Host, "host", JsonKind::Text},
};

const FieldInfo& InfoOf(Field field) { return kFields[static_cast<int>(field)]; }

}  // namespace

const char* FieldName(Field field) { return InfoOf(field).name; }

JsonKind FieldJsonKind(Field field) { return InfoOf(field).kind; }

bool IsColumnField(Field field) { return static_cast<int>(field) <= static_cast<int>(Field::FileName); }

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
    if (list == "all") return AllFields();
    std::vector<Field> fields;
    std::stringstream pieces(list);
    std::string piece;
    while (std::getline(pieces, piece, ',')) {
        const FieldInfo* found = nullptr;
        for (const FieldInfo& info : kFields) {
            if (piece == info.name) found = &info;
        }
        if (!found) {
            error = "unknown field '" + piece + "' in --fields (see --help for the names, or use 'all')";
            return std::nullopt;
        }
        fields.push_back(found->field);
    }
    if (fields.empty()) {
        error = "--fields needs at least one field name, or 'all'";
        return std::nullopt;
    }
    return fields;
}
