// One row of an inventory as read: its fields in the order of the line, each
// with the kind of its JSON value and its text (a string's bytes, a number as
// written, a nested array or object as compact JSON).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "compare/FieldNames.h"

namespace compare {

enum class ValueKind : std::uint8_t {
    Null,
    False,
    True,
    Number,
    String,
    Nested
};

struct FieldValue {
    FieldId field;
    ValueKind kind;
    std::string_view text;

    bool SameAs(const FieldValue& other) const { return kind == other.kind && text == other.text; }
};

struct InventoryRow {
    std::vector<FieldValue> values;
    // Holds the text of the nested values.
    std::string nested;

    const FieldValue* Find(FieldId field) const
    {
        for (const FieldValue& value : values) {
            if (value.field == field) return &value;
        }
        return nullptr;
    }
    // Whether the field is there as a string (not null): scans that ask for
    // every field carry a load list's fields too, as null.
    bool HasText(FieldId field) const
    {
        const FieldValue* value = Find(field);
        return value && value->kind == ValueKind::String;
    }
    // The text of a string field; empty when it is missing or not a string.
    std::string_view Text(FieldId field) const
    {
        const FieldValue* value = Find(field);
        return value && value->kind == ValueKind::String ? value->text : std::string_view();
    }
};

}  // namespace compare
