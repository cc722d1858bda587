#include "compare/Compare.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <unordered_map>

#include "compare/CompareSummary.h"
#include "compare/DifferenceWriter.h"
#include "compare/FieldChoice.h"
#include "compare/FieldNames.h"
#include "compare/InputFile.h"
#include "compare/InventoryReader.h"
#include "compare/ReadProgress.h"
#include "compare/RowKey.h"
#include "compare/RowTable.h"

namespace compare {

namespace {

// The names of the output's own members, which a key column cannot take.
constexpr const char* kOutputNames[] = {"change", "fields"};

std::string JoinedKey(const std::vector<KeyPart>& parts)
{
    std::string text;
    for (std::size_t i = 0; i < parts.size(); ++i) text += (i ? ", " : "") + CellText(parts[i].kind, parts[i].text);
    return text;
}

// One comparison: the smaller file into the table, the larger streamed.
class Comparison {
public:
    Comparison(const CompareOptions& options, std::FILE* out, std::FILE* err)
        : m_options(options), m_out(out), m_err(err), m_progress(err, !options.quiet), m_outOnTerminal(IsTerminal(out))
    {
    }

    int Run(std::FILE* standardInput);

private:
    struct Input {
        InputFile file;
        std::unique_ptr<InventoryReader> reader;
        Side side;
        std::uint64_t rows = 0;
        std::uint64_t fellBack = 0;
    };

    int Trouble(const std::string& message)
    {
        m_progress.Clear();
        if (m_writer) m_writer->Flush();
        std::fprintf(m_err, "%s: %s\n", m_options.programName.c_str(), message.c_str());
        return kCompareTrouble;
    }
    void Note(const std::string& message)
    {
        std::fprintf(m_err, "%s: %s\n", m_options.programName.c_str(), message.c_str());
    }

    bool Open(Input& input, const std::string& path, Side side, std::FILE* standardInput, std::string& error);
    // The next row of an input; false at its end or on trouble (m_status).
    bool NextRow(Input& input, InventoryRow& row);
    bool ChooseKey(const InventoryRow* oldFirst, const InventoryRow* newFirst);
    bool KeyOf(Input& input, const InventoryRow& row, std::string& key);
    bool AddToTable(Input& input, const InventoryRow& row);
    bool MatchStreamed(Input& input, const InventoryRow& row);
    bool WriteLeftovers();
    bool Written(bool ok);
    int Finish();

    const CompareOptions& m_options;
    std::FILE* m_out;
    std::FILE* m_err;
    ReadProgress m_progress;
    // A difference then goes on a line of its own, the progress line
    // cleared first.
    bool m_outOnTerminal;
    FieldNames m_names;
    Input m_old;
    Input m_new;
    Input* m_table = nullptr;
    Input* m_stream = nullptr;
    std::unique_ptr<RowKey> m_key;
    std::unique_ptr<FieldChoice> m_choice;
    std::unique_ptr<DifferenceWriter> m_writer;
    RowTable m_rows;
    // The keys of streamed rows that matched nothing, to find one used twice.
    ByteArena m_unmatchedBytes;
    std::unordered_map<std::string_view, std::uint64_t> m_unmatched;
    CompareCounts m_counts;
    std::string m_keyNote;
    std::string m_keyText;
    InventoryRow m_tableRow;
    std::vector<FieldChange> m_changes;
    FieldId m_importName = m_names.Id("importName");
    int m_status = kCompareSame;
    bool m_stopped = false;
};

bool Comparison::Open(Input& input, const std::string& path, Side side, std::FILE* standardInput, std::string& error)
{
    input.side = side;
    if (!input.file.Open(path, standardInput, error)) return false;
    input.reader = std::make_unique<InventoryReader>(input.file.File(), input.file.Label(), m_names);
    return true;
}

bool Comparison::NextRow(Input& input, InventoryRow& row)
{
    switch (input.reader->Next(row)) {
    case InventoryReader::Result::Row:
        ++input.rows;
        m_progress.Update(input.reader->BytesRead(), input.rows);
        return true;
    case InventoryReader::Result::End: return false;
    case InventoryReader::Result::Failed:
        m_status = Trouble(input.reader->Problem());
        m_stopped = true;
        return false;
    }
    return false;
}

// The default key from the first rows: a load list's if they have
// importName, else the path under foundUnder when both have it.
bool Comparison::ChooseKey(const InventoryRow* oldFirst, const InventoryRow* newFirst)
{
    if (!m_options.keyFields.empty()) {
        m_key = std::make_unique<RowKey>(KeyKind::Fields, m_names, m_options.keyFields);
        return true;
    }
    const FieldId importName = m_names.Id("importName");
    const FieldId foundUnder = m_names.Id("foundUnder");
    const bool oldLoads = oldFirst && oldFirst->HasText(importName);
    const bool newLoads = newFirst && newFirst->HasText(importName);
    if (oldFirst && newFirst && oldLoads != newLoads) {
        const Input& loads = oldLoads ? m_old : m_new;
        const Input& copies = oldLoads ? m_new : m_old;
        m_status =
            Trouble(loads.file.Label() + " is a load list (its rows have importName) and " + copies.file.Label() +
                    " a list of copies: compare like with like, or name the key with --key");
        return false;
    }
    if (oldLoads || newLoads) {
        m_key = std::make_unique<RowKey>(KeyKind::LoadList, m_names);
        return true;
    }
    std::vector<std::string> lacking;
    for (const auto& [first, input] : {std::pair{oldFirst, &m_old}, std::pair{newFirst, &m_new}}) {
        if (first && first->Text(foundUnder).empty()) lacking.push_back(input->file.Label());
    }
    if (lacking.empty()) {
        m_key = std::make_unique<RowKey>(KeyKind::RelativePath, m_names);
    } else {
        m_key = std::make_unique<RowKey>(KeyKind::FullPath, m_names);
        m_keyNote = "keyed by the full path (fileName): " +
                    (lacking.size() == 1 ? lacking[0] + " has" : lacking[0] + " and " + lacking[1] + " have") +
                    " no foundUnder";
    }
    return true;
}

bool Comparison::KeyOf(Input& input, const InventoryRow& row, std::string& key)
{
    std::string problem;
    bool fellBack = false;
    const InventoryReader& reader = *input.reader;
    if (m_key->Kind() == KeyKind::RelativePath || m_key->Kind() == KeyKind::FullPath) {
        if (row.HasText(m_importName)) {
            problem = "a row of a load list (it has importName) among a list of copies";
        }
    }
    if (problem.empty() && m_key->Build(row, key, problem, fellBack)) {
        if (fellBack) ++input.fellBack;
        return true;
    }
    m_status = Trouble(reader.Label() + ": line " + std::to_string(reader.Line()) + ": " + problem);
    m_stopped = true;
    return false;
}

bool Comparison::AddToTable(Input& input, const InventoryRow& row)
{
    if (!KeyOf(input, row, m_keyText)) return false;
    m_choice->Saw(input.side, row);
    std::uint64_t otherLine = 0;
    if (!m_rows.Add(m_keyText, row, input.reader->Line(), otherLine)) {
        m_status = Trouble(input.file.Label() + ": lines " + std::to_string(otherLine) + " and " +
                           std::to_string(input.reader->Line()) + " have the same key '" +
                           JoinedKey(m_key->Shown(row)) + "' (ASCII case and separators ignored)");
        m_stopped = true;
        return false;
    }
    return true;
}

bool Comparison::Written(bool ok)
{
    if (ok) return true;
    m_stopped = true;
    const int error = m_writer->Error();
    // A reader that left early (| head) has what it wanted.
    if (error == EPIPE || error == EINVAL) {
        m_status = m_counts.AnyDifference() ? kCompareDifferent : kCompareTrouble;
    } else {
        m_status = Trouble(std::string("cannot write the differences: ") + std::strerror(error));
    }
    return false;
}

bool Comparison::MatchStreamed(Input& input, const InventoryRow& row)
{
    if (!KeyOf(input, row, m_keyText)) return false;
    m_choice->Saw(input.side, row);
    const std::uint64_t line = input.reader->Line();
    RowTable::Entry* entry = m_rows.Find(m_keyText);
    const auto twice = [&](std::uint64_t first) {
        m_status =
            Trouble(input.file.Label() + ": lines " + std::to_string(first) + " and " + std::to_string(line) +
                    " have the same key '" + JoinedKey(m_key->Shown(row)) + "' (ASCII case and separators ignored)");
        m_stopped = true;
        return false;
    };
    if (!entry) {
        const auto known = m_unmatched.find(m_keyText);
        if (known != m_unmatched.end()) return twice(known->second);
        m_unmatched.emplace(m_unmatchedBytes.Copy(m_keyText), line);
        if (m_outOnTerminal) m_progress.Clear();
        if (input.side == Side::New) {
            ++m_counts.added;
            return Written(m_writer->Added(m_key->Shown(row)));
        }
        ++m_counts.removed;
        return Written(m_writer->Removed(m_key->Shown(row)));
    }
    if (entry->matchedLine != 0) return twice(entry->matchedLine);
    entry->matchedLine = line;
    RowTable::Unpack(*entry, m_tableRow);
    const InventoryRow& oldRow = input.side == Side::Old ? row : m_tableRow;
    const InventoryRow& newRow = input.side == Side::New ? row : m_tableRow;
    m_changes.clear();
    for (std::size_t i = 0; i < newRow.values.size(); ++i) {
        const FieldValue& value = newRow.values[i];
        if (!m_choice->Counts(value.field)) continue;
        // Rows of one scan list their fields in one order.
        const FieldValue* before = i < oldRow.values.size() && oldRow.values[i].field == value.field
                                       ? &oldRow.values[i]
                                       : oldRow.Find(value.field);
        if (before && !before->SameAs(value)) m_changes.push_back({value.field, *before, value});
    }
    if (m_changes.empty()) {
        ++m_counts.same;
        return true;
    }
    ++m_counts.changed;
    if (m_outOnTerminal) m_progress.Clear();
    return Written(m_writer->Changed(m_key->Shown(newRow), m_changes));
}

// The table's rows that nothing streamed matched, in their file's order.
bool Comparison::WriteLeftovers()
{
    m_progress.Clear();
    for (std::size_t i = 0; i < m_rows.Size(); ++i) {
        const RowTable::Entry& entry = m_rows.At(i);
        if (entry.matchedLine != 0) continue;
        RowTable::Unpack(entry, m_tableRow);
        const std::vector<KeyPart> key = m_key->Shown(m_tableRow);
        if (m_table->side == Side::New) {
            ++m_counts.added;
            if (!Written(m_writer->Added(key))) return false;
        } else {
            ++m_counts.removed;
            if (!Written(m_writer->Removed(key))) return false;
        }
    }
    return Written(m_writer->Flush());
}

int Comparison::Finish()
{
    m_progress.Clear();
    int status = m_counts.AnyDifference() ? kCompareDifferent : kCompareSame;
    for (const Input* input : {&m_old, &m_new}) {
        const InventoryReader& reader = *input->reader;
        if (!reader.CutShortProblem().empty()) status = Trouble(reader.CutShortProblem());
        if (m_options.quiet) continue;
        if (reader.SystemInformationRows() > 0) {
            Note(input->file.Label() + ": " + GroupedCount(reader.SystemInformationRows()) +
                 " rows of system information (--sysinfo) are not compared");
        }
        if (input->fellBack > 0) {
            Note(input->file.Label() + ": " + GroupedCount(input->fellBack) +
                 " rows without a foundUnder that holds them are keyed by their full path");
        }
    }
    for (const FieldChoice::OneSided& field : m_choice->OnlyInOneFile()) {
        // A field asked for by name is always told of; the default's only
        // unless quiet.
        if (m_options.quiet && m_options.compareFields.empty()) continue;
        const Input& having = field.side == Side::Old ? m_old : m_new;
        const Input& lacking = field.side == Side::Old ? m_new : m_old;
        Note("the field '" + field.name + "' is in " + having.file.Label() + " only, not in " + lacking.file.Label() +
             ": not compared");
    }
    for (const std::string& name : m_choice->InNeitherFile()) {
        status = Trouble("--compare-fields: neither file has the field '" + name + "'");
    }
    if (!m_options.quiet) {
        const std::string summary = SummaryLine(m_counts);
        std::fprintf(m_err, "%s%s\n", summary.c_str(), m_keyNote.empty() ? "" : ("; " + m_keyNote).c_str());
    }
    return status;
}

int Comparison::Run(std::FILE* standardInput)
{
    if (m_options.oldPath == "-" && m_options.newPath == "-") {
        return Trouble("OLD and NEW cannot both be standard input");
    }
    for (const std::string& name : m_options.keyFields) {
        for (const char* own : kOutputNames) {
            if (name == own) return Trouble("--key: '" + name + "' names a member of the output itself");
        }
    }
    std::string error;
    if (!Open(m_old, m_options.oldPath, Side::Old, standardInput, error) ||
        !Open(m_new, m_options.newPath, Side::New, standardInput, error)) {
        return Trouble(error);
    }
    // A size not known (a pipe) counts as the larger: it is read once, as it
    // comes.
    const auto size = [](const Input& input) { return input.file.KnownSize() ? input.file.KnownSize() : UINT64_MAX; };
    const bool newSmaller = size(m_new) < size(m_old);
    m_table = newSmaller ? &m_new : &m_old;
    m_stream = newSmaller ? &m_old : &m_new;

    InventoryRow streamFirst;
    InventoryRow tableRow;
    m_progress.Begin(m_stream->file.Label(), m_stream->file.KnownSize());
    const bool streamHasRow = NextRow(*m_stream, streamFirst);
    if (m_stopped) return m_status;
    m_progress.Begin(m_table->file.Label(), m_table->file.KnownSize());
    const bool tableHasRow = NextRow(*m_table, tableRow);
    if (m_stopped) return m_status;

    const InventoryRow* streamed = streamHasRow ? &streamFirst : nullptr;
    const InventoryRow* tabled = tableHasRow ? &tableRow : nullptr;
    if (!ChooseKey(newSmaller ? streamed : tabled, newSmaller ? tabled : streamed)) return m_status;
    m_choice = std::make_unique<FieldChoice>(m_names, *m_key, m_options.compareFields);
    m_writer =
        std::make_unique<DifferenceWriter>(m_out, m_options.format, m_options.header, m_key->ColumnNames(), m_names);
    if (m_table->file.KnownSize() > 0) m_rows.Reserve(static_cast<std::size_t>(m_table->file.KnownSize() / 512));

    for (bool more = tableHasRow; more; more = NextRow(*m_table, tableRow)) {
        if (!AddToTable(*m_table, tableRow)) return m_status;
    }
    if (m_stopped) return m_status;
    if (!Written(m_writer->Heading())) return m_status;
    m_progress.Begin(m_stream->file.Label(), m_stream->file.KnownSize());
    for (bool more = streamHasRow; more; more = NextRow(*m_stream, streamFirst)) {
        if (!MatchStreamed(*m_stream, streamFirst)) return m_status;
    }
    if (m_stopped || !WriteLeftovers()) return m_status;
    return Finish();
}

}  // namespace

int RunCompare(const CompareOptions& options, std::FILE* standardInput, std::FILE* out, std::FILE* err)
{
    Comparison comparison(options, out, err);
    return comparison.Run(standardInput);
}

std::optional<std::vector<std::string>> ParseCompareFieldList(const std::string& list, const std::string& option,
                                                              std::string& error)
{
    std::vector<std::string> names;
    std::size_t start = 0;
    for (;;) {
        const std::size_t comma = list.find(',', start);
        std::string name = list.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
        if (name.empty()) {
            error = option + ": an empty field name in '" + list + "'";
            return std::nullopt;
        }
        if (std::find(names.begin(), names.end(), name) != names.end()) {
            error = option + ": the field '" + name + "' is named twice";
            return std::nullopt;
        }
        if (option == "--key") {
            for (const char* own : kOutputNames) {
                if (name == own) {
                    error = option + ": '" + name + "' names a member of the output itself; it cannot be a key";
                    return std::nullopt;
                }
            }
        }
        names.push_back(std::move(name));
        if (comma == std::string::npos) return names;
        start = comma + 1;
    }
}

}  // namespace compare
