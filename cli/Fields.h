// The facts a row can show, by the names --fields takes: they are also the
// jsonl keys and the csv headings. One row of the table per field: its
// name, its kind in jsonl, its group (what must be read for it) and its
// help text, from which --help's Fields section is written.
#pragma once

#include <optional>
#include <string>
#include <vector>

// How a value is written in jsonl; Json: the value is JSON already (an array).
enum class JsonKind {
    Text,
    Number,
    Boolean,
    Json
};

// What a field's value comes from; the readers switch on this.
enum class FieldGroup {
    Column,      // the window's columns, from the row itself
    Version,     // the version resource's block
    Header,      // the executable header
    FileStatus,  // the open file's size and last write
    Hash,        // one pass over the file
    Signature,   // the signature, checked in that pass
    Walk,        // where the walk found the row
    Load,        // the row's place in a load list (--loads)
    Host,        // the computer
    SystemInfo,  // the rows of system information
};

enum class Field {
    ProductVersion,
    FileVersion,
    Date,
    Bits,
    Company,
    FileName,
    FileVersionNumber,
    ProductVersionNumber,
    FileVersionText,
    ProductVersionText,
    FileDescription,
    ProductName,
    OriginalFilename,
    InternalName,
    LegalCopyright,
    Translation,
    FileFlags,
    Machine,
    Subsystem,
    Managed,
    LinkTime,
    Size,
    Modified,
    Sha256,
    Signed,
    Signer,
    SignedOn,
    DigestAlgorithm,
    SignatureCheck,
    Trust,
    FoundUnder,
    Program,
    ImportName,
    ImportedBy,
    Depth,
    LoadKind,
    FoundBy,
    Shadowed,
    Problem,
    Builtin,
    Host,
    InfoLabel,
    InfoValue,
};

struct FieldInfo {
    Field field;
    const char* name;
    JsonKind kind;
    FieldGroup group;
    // For --help: the names it is listed under (fields of one entry share
    // it: the first of them holds it, the others leave it empty) and its text.
    const char* help;
};

const FieldInfo& InfoOf(Field field);
const std::vector<FieldInfo>& FieldTable();

inline const char* FieldName(Field field)
{
    return InfoOf(field).name;
}
inline JsonKind FieldJsonKind(Field field)
{
    return InfoOf(field).kind;
}
inline FieldGroup GroupOf(Field field)
{
    return InfoOf(field).group;
}

// The window's six columns, in their order.
std::vector<Field> ColumnFields();
// Every field, in the order of the table.
std::vector<Field> AllFields();

// "all", or names separated by commas (empty pieces dropped), in the order
// wanted; an error text naming the culprit when a name is unknown, named
// twice, or the list names none.
std::optional<std::vector<Field>> ParseFieldList(const std::string& list, std::string& error);
