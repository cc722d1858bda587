#include "cli/LoadLists.h"

#include <cerrno>
#include <cstring>
#include <limits>
#include <map>
#include <memory>
#include <string>

#include "cli/FieldValues.h"
#include "cli/ProgressLine.h"
#include "cli/RowFormats.h"
#include "cli/VersionFacts.h"
#include "engine/VersionNumbers.h"
#include "loader/LoadResolver.h"
#include "loader/LoadTree.h"
#include "loader/TargetSystem.h"
#include "platform/NarrowText.h"
#include "platform/terminal/StatusLine.h"
#include "support/TerminalText.h"

namespace {

// The loader's reads of a module are the inspection's: each module is read
// once in a run, its tables and its row's facts from the same open.
class InspectedModules : public loader::ModuleSource {
public:
    explicit InspectedModules(InspectionRequest request) : m_request(request) { m_request.imports = true; }

    const ModuleImports* Read(const std::string& path) override { return &*Facts(path)->imports; }

    std::shared_ptr<const ModuleFacts> Facts(const std::string& path)
    {
        std::shared_ptr<const ModuleFacts>& facts = m_modules[path];
        if (!facts) facts = std::make_shared<const ModuleFacts>(InspectModule(path.c_str(), m_request));
        return facts;
    }

private:
    InspectionRequest m_request;
    std::map<std::string, std::shared_ptr<const ModuleFacts>> m_modules;
};

// The row of one module of the list, as a scan makes it: the window's
// columns from its facts; none but the load fields for a missing one.
dllVersionInfo RowOf(const loader::LoadRow& load, InspectedModules& modules)
{
    dllVersionInfo row;
    if (load.fileName.empty()) return row;
    const std::shared_ptr<const ModuleFacts> facts = modules.Facts(load.fileName);
    const ModuleVersionInfo& version = facts->version;
    row.SetFileName(load.fileName.c_str());
    row.SetProductVersion(FormatVersionText(VersionWordsToNumber(version.productVersionMS),
                                            VersionWordsToNumber(version.productVersionLS)));
    row.SetFileVersion(
        FormatVersionText(VersionWordsToNumber(version.fileVersionMS), VersionWordsToNumber(version.fileVersionLS)));
    row.SetCompany(version.company);
    row.SetDate(facts->date);
    row.SetBits(facts->bits);
    row.SetFacts(std::unique_ptr<RowFacts>(new RowFacts{facts, ""}));
    return row;
}

std::string FileVersionText(const std::shared_ptr<const ModuleFacts>& facts)
{
    const ModuleVersionInfo& version = facts->version;
    if (!version.fixedInfoFound) return std::string();
    return VersionNumberText(version.fileVersionMS, version.fileVersionLS);
}

bool Write(std::FILE* out, const std::string& text)
{
    return std::fwrite(text.data(), 1, text.size(), out) == text.size();
}

}  // namespace

int RunLoadLists(const ScanOptions& options, std::FILE* out, std::FILE* err)
{
    std::unique_ptr<platform::SignatureChecker> signatures;
    if (!OpenSignatureChecker(options.fields, options.trustRoots, err, signatures)) return 2;
    const RowLayout layout = RowLayout::Of(options);
    FieldContext context{HostName()};
    const bool toTerminal = platform::IsTerminal(out);
    FieldContext written = context;
    written.utf8 = options.format != OutputFormat::Tsv;
    InspectedModules modules(RequestFor(layout.fields, signatures.get(), written));

    loader::TargetOptions target;
    target.windowsDirectory = options.windowsDirectory;
    if (options.pathGiven) target.path = options.path;
    const std::unique_ptr<loader::TargetSystem> system = loader::TargetSystem::Open(target);
    if (!options.quiet) {
        for (const std::string& note : system->Notes())
            std::fprintf(err, "modaris-scan: %s\n", support::EscapedForTerminal(note).c_str());
    }
    loader::ResolveOptions resolve;
    if (options.currentDirectoryGiven) resolve.currentDirectory = options.currentDirectory;

    bool failed = false;
    bool writtenWhole = options.tree || Write(out, FormatHeading(options.format, layout));
    // The tree fits a terminal's width; into a file or a pipe it is written whole.
    const std::size_t width = toTerminal ? platform::TerminalWidth(out) : std::numeric_limits<std::size_t>::max() / 2;
    for (const std::string& program : options.loads) {
        const std::vector<loader::LoadRow> rows = loader::ResolveLoadList(program, *system, modules, resolve);
        for (const loader::LoadRow& row : rows) failed = failed || loader::IsFailure(row.problem);
        if (options.tree) {
            std::vector<std::string> versions;
            for (const loader::LoadRow& row : rows)
                versions.push_back(row.fileName.empty() ? std::string() : FileVersionText(modules.Facts(row.fileName)));
            std::string text = loader::RenderLoadTree(rows, versions, width);
            if (toTerminal) text = support::MaskedForTerminal(text, platform::kNarrowIsUtf8);
            writtenWhole = writtenWhole && Write(out, text);
            continue;
        }
        for (const loader::LoadRow& load : rows) {
            context.loadRow = &load;
            writtenWhole = writtenWhole &&
                           Write(out, FormatRow(RowOf(load, modules), options.format, layout, context, toTerminal));
        }
    }
    if (std::fflush(out) != 0) writtenWhole = false;
    if (!writtenWhole) {
        if (errno == EPIPE || errno == EINVAL) return 0;
        std::fprintf(err, "modaris-scan: cannot write the rows: %s\n", std::strerror(errno));
        return 1;
    }
    return failed ? 1 : 0;
}
