#include "compare/RowParser.h"

// RapidJSON's fast scan of plain string runs, where the compiler may use it.
#if defined(__SSE4_2__)
#define RAPIDJSON_SSE42
#elif defined(__SSE2__)
#define RAPIDJSON_SSE2
#endif
#include <rapidjson/error/en.h>
#include <rapidjson/reader.h>

#include "compare/SurrogateBytes.h"
#include "support/TextEscapes.h"

namespace compare {

// The reader's events for one line: the top-level members become the row's
// fields; a nested array or object is written out again as compact JSON.
class RowEvents : public rapidjson::BaseReaderHandler<rapidjson::UTF8<>, RowEvents> {
public:
    RowEvents(RowParser& parser, InventoryRow& row) : m_parser(parser), m_row(row) {}

    bool Null() { return Value(ValueKind::Null, std::string_view(), "null"); }
    bool Bool(bool b) { return Value(b ? ValueKind::True : ValueKind::False, b ? "true" : "false", nullptr); }
    bool RawNumber(const char* text, rapidjson::SizeType length, bool)
    {
        return Value(ValueKind::Number, std::string_view(text, length), nullptr);
    }
    bool String(const char* text, rapidjson::SizeType length, bool)
    {
        return Value(ValueKind::String, std::string_view(text, length), nullptr);
    }
    bool StartObject() { return Open('{'); }
    bool EndObject(rapidjson::SizeType) { return Close('}'); }
    bool StartArray() { return Open('['); }
    bool EndArray(rapidjson::SizeType) { return Close(']'); }
    bool Key(const char* text, rapidjson::SizeType length, bool)
    {
        const std::string_view name(text, length);
        if (m_depth > 1) {
            Separate();
            m_row.nested += support::JsonString(std::string(name));
            m_row.nested += ':';
            m_afterKey = true;
            return true;
        }
        return TopLevelKey(name);
    }

    // The message of a refusal of ours, empty when RapidJSON refused.
    const std::string& Problem() const { return m_problem; }
    // Nested texts went into a growing string: their views are set at the
    // end, once it no longer moves.
    void PointNestedValues()
    {
        for (const auto& [index, begin, end] : m_nestedSpans) {
            m_row.values[index].text = std::string_view(m_row.nested).substr(begin, end - begin);
        }
    }

private:
    bool Refuse(std::string problem)
    {
        m_problem = std::move(problem);
        return false;
    }

    bool TopLevelKey(std::string_view name)
    {
        const std::size_t position = m_row.values.size();
        FieldId id;
        if (position < m_parser.m_lastNames.size() && m_parser.m_lastNames[position] == name) {
            id = m_parser.m_lastIds[position];
        } else {
            id = m_parser.m_names.Id(name);
            if (id == FieldNames::kNone) {
                return Refuse("more than " + std::to_string(FieldNames::kMaxNames) +
                              " different field names: not an inventory of modaris-scan");
            }
            if (position >= m_parser.m_lastNames.size()) {
                m_parser.m_lastNames.resize(position + 1);
                m_parser.m_lastIds.resize(position + 1);
            }
            m_parser.m_lastNames[position] = std::string(name);
            m_parser.m_lastIds[position] = id;
        }
        auto& seen = m_parser.m_seenInRow;
        if (id >= seen.size()) seen.resize(id + 1, 0);
        if (seen[id] == m_parser.m_rowNumber) return Refuse("the field '" + std::string(name) + "' twice");
        seen[id] = m_parser.m_rowNumber;
        m_row.values.push_back({id, ValueKind::Null, std::string_view()});
        return true;
    }

    // A value: a field's at the top level, else part of a nested one.
    bool Value(ValueKind kind, std::string_view text, const char* nestedLiteral)
    {
        if (m_depth == 0) return Refuse("not a JSON object");
        if (m_depth == 1) {
            m_row.values.back().kind = kind;
            m_row.values.back().text = text;
            return true;
        }
        Separate();
        if (kind == ValueKind::String) {
            m_row.nested += support::JsonString(std::string(text));
        } else if (nestedLiteral) {
            m_row.nested += nestedLiteral;
        } else {
            m_row.nested.append(text.data(), text.size());
        }
        return true;
    }

    bool Open(char bracket)
    {
        if (m_depth == 0) {
            if (bracket != '{') return Refuse("not a JSON object");
            m_depth = 1;
            return true;
        }
        if (m_depth >= RowParser::kMaxDepth) {
            return Refuse("nested more than " + std::to_string(RowParser::kMaxDepth) + " deep");
        }
        if (m_depth == 1) {
            m_row.values.back().kind = ValueKind::Nested;
            m_nestedBegin = m_row.nested.size();
        } else {
            Separate();
        }
        m_row.nested += bracket;
        m_firstInLevel.push_back(true);
        ++m_depth;
        return true;
    }

    bool Close(char bracket)
    {
        --m_depth;
        if (m_depth == 0) return true;
        m_firstInLevel.pop_back();
        m_row.nested += bracket;
        if (m_depth == 1) m_nestedSpans.push_back({m_row.values.size() - 1, m_nestedBegin, m_row.nested.size()});
        return true;
    }

    // The comma before an element of a nested value, but for the first and
    // for a member's value after its key.
    void Separate()
    {
        if (m_afterKey) {
            m_afterKey = false;
            return;
        }
        if (!m_firstInLevel.back()) m_row.nested += ',';
        m_firstInLevel.back() = false;
    }

    struct NestedSpan {
        std::size_t index;
        std::size_t begin;
        std::size_t end;
    };

    RowParser& m_parser;
    InventoryRow& m_row;
    int m_depth = 0;
    bool m_afterKey = false;
    std::vector<bool> m_firstInLevel;
    std::size_t m_nestedBegin = 0;
    std::vector<NestedSpan> m_nestedSpans;
    std::string m_problem;
};

bool RowParser::Parse(char* line, std::size_t length, InventoryRow& row, std::string& error)
{
    row.values.clear();
    row.nested.clear();
    ++m_rowNumber;
    length = SurrogateEscapesToBytes(line, length);
    RowEvents events(*this, row);
    rapidjson::InsituStringStream stream(line);
    rapidjson::Reader reader;
    // The recursive reader is the faster one; its depth is bounded, as every
    // array or object is announced before it is entered and RowEvents
    // refuses those past kMaxDepth.
    constexpr unsigned kFlags = rapidjson::kParseInsituFlag | rapidjson::kParseNumbersAsStringsFlag;
    const rapidjson::ParseResult result = reader.Parse<kFlags>(stream, events);
    if (result.IsError()) {
        if (!events.Problem().empty()) {
            error = events.Problem();
        } else if (result.Code() == rapidjson::kParseErrorDocumentEmpty && length > 0) {
            error = "not a JSON object";
        } else {
            error = std::string("not JSON: ") + rapidjson::GetParseError_En(result.Code()) + " (at byte " +
                    std::to_string(result.Offset() + 1) + ")";
        }
        return false;
    }
    // A NUL inside the line ends RapidJSON's input early.
    if (stream.Tell() < length) {
        error = "not JSON: a NUL byte at byte " + std::to_string(stream.Tell() + 1);
        return false;
    }
    events.PointNestedValues();
    return true;
}

}  // namespace compare
