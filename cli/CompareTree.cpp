#include "cli/CompareTree.h"

#include <limits>
#include <map>
#include <string>
#include <vector>

#include "cli/ProgressLine.h"
#include "compare/InputFile.h"
#include "compare/InventoryReader.h"
#include "loader/LoadTree.h"
#include "support/AsciiCase.h"
#include "support/PeLayout.h"
#include "platform/terminal/StatusLine.h"
#include "support/TerminalText.h"

namespace {

// The fields of a load list's row that the tree shows, by their ids.
struct LoadFields {
    explicit LoadFields(compare::FieldNames& names)
        : program(names.Id("program")),
          importName(names.Id("importName")),
          importedBy(names.Id("importedBy")),
          depth(names.Id("depth")),
          loadKind(names.Id("loadKind")),
          foundBy(names.Id("foundBy")),
          fileName(names.Id("fileName")),
          machine(names.Id("machine")),
          problem(names.Id("problem")),
          builtin(names.Id("builtin")),
          fileVersion(names.Id("fileVersionNumber"))
    {
    }
    compare::FieldId program, importName, importedBy, depth, loadKind, foundBy, fileName, machine, problem, builtin,
        fileVersion;
};

template <class Enum>
Enum FromText(std::string_view text, const char* (*name)(Enum), std::initializer_list<Enum> values, Enum fallback)
{
    for (const Enum value : values) {
        if (text == name(value)) return value;
    }
    return fallback;
}

std::uint16_t MachineOf(std::string_view text)
{
    namespace pe = support::pe;
    if (text == "i386") return pe::kMachineI386;
    if (text == "amd64") return pe::kMachineAmd64;
    if (text == "arm64") return pe::kMachineArm64;
    if (text == "arm") return pe::kMachineArmNt;
    if (text == "ia64") return pe::kMachineIa64;
    if (text.size() > 2 && text.substr(0, 2) == "0x")
        return static_cast<std::uint16_t>(std::stoul(std::string(text), nullptr, 16));
    return 0;
}

std::string FileNameOf(std::string_view path)
{
    const std::size_t slash = path.find_last_of("/\\");
    return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

std::string Lower(std::string text)
{
    for (char& c : text) c = support::ToLowerAscii(c);
    return text;
}

std::string KeyOf(const std::string& program, std::string_view importName)
{
    return Lower(FileNameOf(program)) + "\n" + Lower(std::string(importName));
}

struct ProgramRows {
    std::string program;
    std::vector<loader::LoadRow> rows;
    std::vector<std::string> versions;
};

loader::LoadRow LoadRowOf(const compare::InventoryRow& row, const LoadFields& fields)
{
    using namespace loader;
    LoadRow load;
    load.program = std::string(row.Text(fields.program));
    load.importName = std::string(row.Text(fields.importName));
    load.importedBy = std::string(row.Text(fields.importedBy));
    if (const compare::FieldValue* depth = row.Find(fields.depth); depth && depth->kind == compare::ValueKind::Number)
        load.depth = static_cast<unsigned>(std::stoul(std::string(depth->text)));
    load.loadKind =
        FromText(row.Text(fields.loadKind), LoadKindText,
                 {LoadKind::Program, LoadKind::Static, LoadKind::Delay, LoadKind::Forwarder}, LoadKind::Static);
    load.foundBy = FromText(
        row.Text(fields.foundBy), FoundByText,
        {FoundBy::ApiSet, FoundBy::KnownDll, FoundBy::Sxs, FoundBy::Loaded, FoundBy::AppDir, FoundBy::System,
         FoundBy::System16, FoundBy::Windows, FoundBy::Current, FoundBy::Path, FoundBy::Missing, FoundBy::Given},
        FoundBy::Missing);
    load.fileName = std::string(row.Text(fields.fileName));
    load.machine = MachineOf(row.Text(fields.machine));
    load.problem =
        FromText(row.Text(fields.problem), ProblemText,
                 {Problem::None, Problem::Missing, Problem::WrongMachine, Problem::Unreadable, Problem::SxsUnresolved},
                 Problem::None);
    const compare::FieldValue* builtin = row.Find(fields.builtin);
    load.builtin = builtin && builtin->kind == compare::ValueKind::True;
    return load;
}

// The importer of each row: the first earlier row one level up whose module
// is the one that imports it.
void LinkImporters(std::vector<loader::LoadRow>& rows)
{
    for (std::size_t index = 1; index < rows.size(); ++index) {
        loader::LoadRow& row = rows[index];
        for (std::size_t earlier = 0; earlier < index; ++earlier) {
            const loader::LoadRow& by = rows[earlier];
            const std::string name = by.fileName.empty() ? by.importName : FileNameOf(by.fileName);
            if (by.depth + 1 == row.depth && support::EqualsIgnoringAsciiCase(name, row.importedBy)) {
                row.importer = static_cast<int>(earlier);
                break;
            }
        }
        if (row.importer < 0) row.importer = 0;
    }
}

// What the old list said of a module, as a line's note shows it.
std::string OldCopy(const loader::LoadRow& row, const std::string& version)
{
    if (row.fileName.empty()) return "not found";
    std::string text = std::string(loader::FoundByText(row.foundBy)) + " " + row.fileName;
    if (!version.empty()) text += " " + version;
    return text;
}

class ListReader {
public:
    ListReader(compare::FieldNames& names, const LoadFields& fields) : m_names(names), m_fields(fields) {}

    // The programs' rows in order; false with `error` when the file is no load list.
    bool Read(const std::string& path, std::FILE* in, std::vector<ProgramRows>& programs, std::string& error)
    {
        compare::InputFile file;
        if (!file.Open(path, in, error)) return false;
        compare::InventoryReader reader(file.File(), file.Label(), m_names);
        compare::InventoryRow row;
        for (;;) {
            const auto result = reader.Next(row);
            if (result == compare::InventoryReader::Result::End) break;
            if (result == compare::InventoryReader::Result::Failed) {
                error = reader.Problem();
                return false;
            }
            if (!row.HasText(m_fields.importName) || !row.HasText(m_fields.program)) {
                error = file.Label() + ": line " + std::to_string(reader.Line()) +
                        ": not a row of a load list (--tree compares the output of --loads)";
                return false;
            }
            loader::LoadRow load = LoadRowOf(row, m_fields);
            if (programs.empty() || programs.back().program != load.program || load.depth == 0)
                programs.push_back({load.program, {}, {}});
            programs.back().versions.push_back(std::string(row.Text(m_fields.fileVersion)));
            programs.back().rows.push_back(std::move(load));
        }
        if (!reader.CutShortProblem().empty()) {
            error = reader.CutShortProblem();
            return false;
        }
        for (ProgramRows& program : programs) LinkImporters(program.rows);
        return true;
    }

private:
    compare::FieldNames& m_names;
    const LoadFields& m_fields;
};

}  // namespace

int RunCompareTree(const ScanOptions& options, std::FILE* in, std::FILE* out, std::FILE* err)
{
    compare::FieldNames names;
    const LoadFields fields(names);
    ListReader reader(names, fields);
    std::vector<ProgramRows> before;
    std::vector<ProgramRows> after;
    std::string error;
    if (!reader.Read(options.directories[0], in, before, error) ||
        !reader.Read(options.directories[1], in, after, error)) {
        std::fprintf(err, "modaris-scan: %s\n", support::EscapedForTerminal(error).c_str());
        return 2;
    }
    // The old copies by program and import name; each taken once NEW names it.
    std::map<std::string, std::pair<const loader::LoadRow*, std::string>> old;
    for (const ProgramRows& program : before) {
        for (std::size_t i = 0; i < program.rows.size(); ++i)
            old.emplace(KeyOf(program.program, program.rows[i].importName),
                        std::make_pair(&program.rows[i], program.versions[i]));
    }
    const bool toTerminal = platform::IsTerminal(out);
    const std::size_t width = toTerminal ? platform::TerminalWidth(out) : std::numeric_limits<std::size_t>::max() / 2;
    std::size_t changes = 0;
    for (const ProgramRows& program : after) {
        std::vector<std::string> notes;
        for (std::size_t i = 0; i < program.rows.size(); ++i) {
            const loader::LoadRow& row = program.rows[i];
            const auto found = old.find(KeyOf(program.program, row.importName));
            std::string note;
            if (found == old.end()) {
                note = "<< new";
            } else {
                const loader::LoadRow& was = *found->second.first;
                if (was.fileName != row.fileName || was.foundBy != row.foundBy || was.problem != row.problem ||
                    found->second.second != program.versions[i])
                    note = "<< was " + OldCopy(was, found->second.second);
                old.erase(found);
            }
            if (!note.empty()) ++changes;
            notes.push_back(note);
        }
        std::string text = loader::RenderLoadTree(program.rows, program.versions, notes, width);
        // What the old list loaded for this program and the new one does not.
        const std::string prefix = Lower(FileNameOf(program.program)) + "\n";
        for (auto entry = old.lower_bound(prefix); entry != old.end() && entry->first.rfind(prefix, 0) == 0;) {
            text += "    " + entry->second.first->importName + "  << no longer loaded, was " +
                    OldCopy(*entry->second.first, entry->second.second) + "\n";
            ++changes;
            entry = old.erase(entry);
        }
        if (toTerminal) text = support::MaskedForTerminal(text, true);
        std::fwrite(text.data(), 1, text.size(), out);
    }
    // Programs the new file has no list for at all.
    for (const auto& [key, was] : old) {
        std::fprintf(out, "%s: %s  << no longer loaded, was %s\n", FileNameOf(was.first->program).c_str(),
                     was.first->importName.c_str(), OldCopy(*was.first, was.second).c_str());
        ++changes;
    }
    if (!options.quiet) std::fprintf(err, "%zu lines differ\n", changes);
    return changes ? 1 : 0;
}
