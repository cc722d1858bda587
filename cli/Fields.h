// The facts a row can show, by the names --fields takes: they are also the
// jsonl keys and the csv headings.
#pragma once

#include <optional>
#include <string>
#include <vector>

// How a value is written in jsonl.
enum class JsonKind { Text, Number, Boolean };

enum class Field {
    // The window's columns, from the row itself.
    ProductVersion,
    FileVersion,
    Date,
    Bits,
    Company,
    FileName,
    // Read from the module when asked.
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
    // Read from the module's signature when asked.
    Signed,
    Signer,
    SignedOn,
    DigestAlgorithm,
    SignatureCheck,
    Trust,
    Host,
};

const char* FieldName(Field field);
JsonKind FieldJsonKind(Field field);
// Whether the row itself holds it (a column of the window).
bool IsColumnField(Field field);

// The window's six columns, in their order.
std::vector<Field> ColumnFields();
// Every field, in the order of the table above.
std::vector<Field> AllFields();

// "all", or names separated by commas, in the order wanted; an error text
// naming the culprit when a name is unknown or the list is empty.
std::optional<std::vector<Field>> ParseFieldList(const std::string& list, std::string& error);
