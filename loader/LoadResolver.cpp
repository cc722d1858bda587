#include "loader/LoadResolver.h"

#include <deque>
#include <map>
#include <set>
#include <unordered_map>

#include "loader/SxsAssemblies.h"
#include "platform/path_style.h"
#include "support/AsciiCase.h"

namespace loader {

namespace {

struct Candidate {
    FoundBy rule;
    std::string directory;
};

// The forwarders of one module by export name and by ordinal.
struct ForwarderIndex {
    std::multimap<std::string, const ExportForwarder*> byName;
    std::multimap<std::uint16_t, const ExportForwarder*> byOrdinal;
};

bool SameDirectory(const std::string& a, const std::string& b)
{
    // Windows' paths ignore case; elsewhere the file system tells them apart.
    return platform::kUpperCaseRowPaths ? support::EqualsIgnoringAsciiCase(a, b) : a == b;
}

// A name without an extension gets ".dll", as the loader adds it; a
// trailing dot says the file has no extension at all.
std::string LookupName(const std::string& name)
{
    if (!name.empty() && name.back() == '.') return name.substr(0, name.size() - 1);
    return name.find('.') == std::string::npos ? name + ".dll" : name;
}

// The directory of `path`; "." for a bare file name.
std::string DirectoryOf(const std::string& path)
{
    const std::string parent = ParentOf(path);
    return parent.empty() ? "." : parent;
}

class Resolver {
public:
    Resolver(TargetSystem& target, ModuleSource& modules, const std::string& program, const ResolveOptions& options)
        : m_target(target),
          m_modules(modules),
          m_program(program),
          m_appDir(DirectoryOf(program)),
          m_currentDir(options.currentDirectory.value_or(DirectoryOf(program)))
    {
    }

    std::vector<LoadRow> Run()
    {
        LoadRow first;
        first.program = FileNameOf(m_program);
        first.importName = first.program;
        first.loadKind = LoadKind::Program;
        first.foundBy = FoundBy::Given;
        first.fileName = m_program;
        const ModuleImports* image = m_modules.Read(m_program);
        if (image->result != ImportReadResult::Read) {
            first.problem = image->result == ImportReadResult::NotFound ? Problem::Missing : Problem::Unreadable;
            return {first};
        }
        first.machine = image->machine;
        first.builtin = image->wineBuiltin;
        m_machine = image->machine;
        AddRow(std::move(first));
        while (!m_queue.empty()) {
            const std::size_t row = m_queue.front();
            m_queue.pop_front();
            Expand(row);
        }
        return std::move(m_rows);
    }

private:
    std::size_t AddRow(LoadRow row)
    {
        const std::size_t index = m_rows.size();
        m_rowByName.emplace(UpperAscii(LookupName(row.importName)), index);
        if (!row.fileName.empty()) {
            const std::string file = UpperAscii(FileNameOf(row.fileName));
            if (m_rowByFile.emplace(file, index).second && m_expanded.insert(row.fileName).second) {
                m_queue.push_back(index);
            }
        }
        m_rows.push_back(std::move(row));
        return index;
    }

    // Follows the imports of the module of row `index`.
    void Expand(std::size_t index)
    {
        const ModuleImports* image = m_modules.Read(m_rows[index].fileName);
        if (image->result != ImportReadResult::Read) return;
        ReadAssemblies(index, *image);
        for (const ImportedModule& module : image->imports) Import(module.name, index, LoadKind::Static, module);
        for (const ImportedModule& module : image->delayImports) Import(module.name, index, LoadKind::Delay, module);
    }

    // The WinSxS folders of the module's manifest; those that cannot be
    // found are said on its row.
    void ReadAssemblies(std::size_t index, const ModuleImports& image)
    {
        if (image.manifest.empty()) return;
        std::vector<std::string>& folders = m_assemblyFolders[index];
        for (const AssemblyIdentity& identity : DependentAssemblies(image.manifest)) {
            const std::optional<std::string> folder = AssemblyFolder(identity);
            if (folder) {
                folders.push_back(*folder);
                continue;
            }
            LoadRow& row = m_rows[index];
            row.unresolvedAssemblies.push_back(AssemblyText(identity));
            if (row.problem == Problem::None) row.problem = Problem::SxsUnresolved;
        }
    }

    // WinSxS holds thousands of folders: each identity is looked up once.
    std::optional<std::string> AssemblyFolder(const AssemblyIdentity& identity)
    {
        if (m_target.WinSxSDirectory().empty()) return std::nullopt;
        const std::string key = UpperAscii(AssemblyText(identity) + " " + identity.language);
        auto found = m_assemblies.find(key);
        if (found == m_assemblies.end()) {
            found = m_assemblies
                        .emplace(key, FindAssemblyFolder(m_target.Directories(), m_target.WinSxSDirectory(), identity,
                                                         m_machine))
                        .first;
        }
        return found->second;
    }

    void Import(const std::string& name, std::size_t importer, LoadKind kind, const ImportedModule& wanted)
    {
        const std::size_t row = RowFor(name, importer, kind);
        Forward(row, wanted.functions, wanted.ordinals);
    }

    // The row of `name` as `importer` names it: an existing one, or a new one.
    std::size_t RowFor(const std::string& name, std::size_t importer, LoadKind kind)
    {
        const auto existing = m_rowByName.find(UpperAscii(LookupName(name)));
        if (existing != m_rowByName.end()) return existing->second;
        LoadRow row;
        row.program = m_rows.front().program;
        row.importName = name;
        const LoadRow& by = m_rows[importer];
        row.importedBy = by.fileName.empty() ? by.importName : FileNameOf(by.fileName);
        row.depth = by.depth + 1;
        row.importer = static_cast<int>(importer);
        row.loadKind = kind;
        Resolve(row, importer);
        return AddRow(std::move(row));
    }

    // The modules that forwarders of the imported functions of row `index`
    // name. A forwarder may lead to another: the chain is followed through a
    // list of work, not by recursion, so a hostile chain of any length ends.
    void Forward(std::size_t index, const std::vector<std::string>& functions,
                 const std::vector<std::uint16_t>& ordinals)
    {
        struct Wanted {
            std::size_t row;
            std::vector<std::string> functions;
            std::vector<std::uint16_t> ordinals;
        };
        std::vector<Wanted> work{{index, functions, ordinals}};
        while (!work.empty()) {
            const Wanted wanted = std::move(work.back());
            work.pop_back();
            for (const ExportForwarder* forwarder : Hits(wanted.row, wanted.functions, wanted.ordinals)) {
                const std::string module = ForwardedModuleName(forwarder->target);
                if (module.empty() || !m_forwarded.insert({wanted.row, forwarder->target}).second) continue;
                const std::string function = forwarder->target.substr(forwarder->target.rfind('.') + 1);
                const std::size_t row = RowFor(module, wanted.row, LoadKind::Forwarder);
                if (!function.empty() && function[0] == '#') {
                    const std::string digits = function.substr(1);
                    if (!digits.empty() && digits.size() <= 5 &&
                        digits.find_first_not_of("0123456789") == std::string::npos) {
                        work.push_back({row, {}, {static_cast<std::uint16_t>(std::stoul(digits))}});
                    }
                } else {
                    work.push_back({row, {function}, {}});
                }
            }
        }
    }

    // The forwarders among the exports of row `index` that are imported.
    std::vector<const ExportForwarder*> Hits(std::size_t index, const std::vector<std::string>& functions,
                                             const std::vector<std::uint16_t>& ordinals)
    {
        std::vector<const ExportForwarder*> hits;
        if (m_rows[index].fileName.empty() || (functions.empty() && ordinals.empty())) return hits;
        const ForwarderIndex& forwarders = ForwardersOf(m_rows[index].fileName);
        for (const std::string& function : functions) {
            const auto range = forwarders.byName.equal_range(function);
            for (auto it = range.first; it != range.second; ++it) hits.push_back(it->second);
        }
        for (const std::uint16_t ordinal : ordinals) {
            const auto range = forwarders.byOrdinal.equal_range(ordinal);
            for (auto it = range.first; it != range.second; ++it) hits.push_back(it->second);
        }
        return hits;
    }

    const ForwarderIndex& ForwardersOf(const std::string& path)
    {
        auto found = m_forwarders.find(path);
        if (found != m_forwarders.end()) return found->second;
        ForwarderIndex& index = m_forwarders[path];
        const ModuleImports* image = m_modules.Read(path);
        for (const ExportForwarder& forwarder : image->forwarders) {
            if (!forwarder.exportName.empty()) index.byName.emplace(forwarder.exportName, &forwarder);
            index.byOrdinal.emplace(forwarder.ordinal, &forwarder);
        }
        return index;
    }

    void Resolve(LoadRow& row, std::size_t importer)
    {
        const std::string& name = row.importName;
        if (ApiSetSchema::IsContractName(name)) {
            const std::string importerName = FileNameOf(m_rows[importer].fileName);
            const ApiSetSchema::Resolution resolution = m_target.ApiSets().Resolve(name, importerName);
            if (resolution.known) {
                row.apiSetHost = resolution.host;
                if (resolution.host.empty()) {
                    // The loader tolerates an extension contract without a
                    // host (callers test for it); an API contract must have one.
                    row.foundBy = FoundBy::ApiSet;
                    if (!support::EqualsIgnoringAsciiCase(name.substr(0, 4), "ext-")) row.problem = Problem::Missing;
                    return;
                }
                Search(row, resolution.host, importer);
                if (row.foundBy != FoundBy::Missing) row.foundBy = FoundBy::ApiSet;
                return;
            }
            // A contract the schema lacks is a file name like any other.
        }
        Search(row, name, importer);
    }

    void Search(LoadRow& row, const std::string& name, std::size_t importer)
    {
        const std::string lookup = LookupName(name);
        row.foundBy = FoundBy::Missing;
        if (lookup.find_first_of("/\\:") != std::string::npos) {
            // A path in an import table is not searched for.
            row.problem = Problem::Missing;
            return;
        }
        const auto loaded = m_rowByFile.find(UpperAscii(lookup));
        std::vector<Candidate> candidates;
        for (const std::size_t owner : {importer, std::size_t{0}}) {
            const auto folders = m_assemblyFolders.find(owner);
            if (folders == m_assemblyFolders.end()) continue;
            for (const std::string& folder : folders->second) candidates.push_back({FoundBy::Sxs, folder});
        }
        // SxS redirection comes before a module already mapped by that name.
        for (const Candidate& candidate : candidates) {
            if (m_target.Directories().FindFile(candidate.directory, lookup)) {
                return Choose(row, lookup, candidates);
            }
        }
        if (loaded != m_rowByFile.end()) {
            const LoadRow& mapped = m_rows[loaded->second];
            row.foundBy = FoundBy::Loaded;
            row.fileName = mapped.fileName;
            row.machine = mapped.machine;
            row.builtin = mapped.builtin;
            return;
        }
        const std::string& system = m_target.SystemDirectoryFor(m_machine);
        const bool knownImporter = m_rows[importer].foundBy == FoundBy::KnownDll;
        if (m_target.IsKnownDll(lookup, m_machine) || knownImporter) {
            if (m_target.Directories().FindFile(system, lookup)) candidates.push_back({FoundBy::KnownDll, system});
        }
        candidates.push_back({FoundBy::AppDir, m_appDir});
        if (!m_target.SafeDllSearchMode()) candidates.push_back({FoundBy::Current, m_currentDir});
        candidates.push_back({FoundBy::System, system});
        candidates.push_back({FoundBy::System16, m_target.System16Directory()});
        candidates.push_back({FoundBy::Windows, m_target.WindowsDirectory()});
        if (m_target.SafeDllSearchMode()) candidates.push_back({FoundBy::Current, m_currentDir});
        for (const std::string& directory : m_target.PathDirectories())
            candidates.push_back({FoundBy::Path, directory});
        Choose(row, lookup, candidates);
    }

    // The first copy along `candidates` that fits; the others are shadowed.
    void Choose(LoadRow& row, const std::string& lookup, const std::vector<Candidate>& candidates)
    {
        std::vector<std::string> seen;
        bool chosen = false, wrongMachine = false, unreadable = false;
        for (const Candidate& candidate : candidates) {
            if (candidate.directory.empty()) continue;
            bool repeated = false;
            for (const std::string& directory : seen)
                repeated = repeated || SameDirectory(directory, candidate.directory);
            if (repeated) continue;
            seen.push_back(candidate.directory);
            const std::optional<std::string> listed = m_target.Directories().FindFile(candidate.directory, lookup);
            if (!listed) continue;
            const std::string path = JoinPath(candidate.directory, *listed);
            if (chosen) {
                row.shadowed.push_back({path, candidate.rule, PassedOver::Later});
                continue;
            }
            const ModuleImports* image = m_modules.Read(path);
            if (image->result != ImportReadResult::Read) {
                row.shadowed.push_back({path, candidate.rule, PassedOver::Unreadable});
                unreadable = true;
            } else if (image->machine != m_machine) {
                row.shadowed.push_back({path, candidate.rule, PassedOver::WrongMachine});
                wrongMachine = true;
            } else {
                chosen = true;
                row.foundBy = candidate.rule;
                row.fileName = path;
                row.machine = image->machine;
                row.builtin = image->wineBuiltin;
            }
        }
        if (chosen) return;
        row.foundBy = FoundBy::Missing;
        row.problem = unreadable ? Problem::Unreadable : wrongMachine ? Problem::WrongMachine : Problem::Missing;
    }

    TargetSystem& m_target;
    ModuleSource& m_modules;
    const std::string m_program;
    const std::string m_appDir;
    const std::string m_currentDir;
    std::uint16_t m_machine = 0;
    std::vector<LoadRow> m_rows;
    std::map<std::string, std::size_t> m_rowByName;  // upper-cased import name
    std::map<std::string, std::size_t> m_rowByFile;  // upper-cased file name of a mapped module
    std::set<std::string> m_expanded;                // paths whose imports are followed
    std::deque<std::size_t> m_queue;
    std::map<std::size_t, std::vector<std::string>> m_assemblyFolders;
    std::set<std::pair<std::size_t, std::string>> m_forwarded;
    std::unordered_map<std::string, ForwarderIndex> m_forwarders;
    std::map<std::string, std::optional<std::string>> m_assemblies;
};

}  // namespace

std::vector<LoadRow> ResolveLoadList(const std::string& program, TargetSystem& target, ModuleSource& modules,
                                     const ResolveOptions& options)
{
    return Resolver(target, modules, program, options).Run();
}

}  // namespace loader
