// Prints the load list of each program: one tab-separated line per row
// (program, importName, importedBy, depth, loadKind, foundBy, fileName,
// machine, builtin, problem, shadowed as path|why|rule joined by ';'), or
// with --tree[=WIDTH] the tree. For the oracle check against Wine's loader
// and the benchmark, until the scanner has --loads.
//
//   load_list_tool [--windows=DIR] [--path=DIRS] [--current-dir=DIR] [--tree[=WIDTH]] PROGRAM...
//
// Exit status: 0 when every module resolves, 1 when one fails, 2 for bad usage.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "engine/ModuleHeader.h"
#include "engine/ModuleHeaderTexts.h"
#include "loader/LoadResolver.h"
#include "loader/LoadTree.h"

namespace {

bool TakeValue(const char* argument, const char* option, std::string& value)
{
    const std::size_t length = std::strlen(option);
    if (std::strncmp(argument, option, length) != 0 || argument[length] != '=') return false;
    value = argument + length + 1;
    return true;
}

std::string MachineName(std::uint16_t machine)
{
    if (machine == 0) return std::string();
    ModuleHeader header;
    header.kind = ModuleKind::Pe;
    header.machine = machine;
    return MachineText(header);
}

}  // namespace

int main(int argc, char** argv)
{
    loader::TargetOptions target;
    loader::ResolveOptions resolve;
    bool tree = false;
    std::size_t width = 100;
    std::vector<std::string> programs;
    for (int index = 1; index < argc; ++index) {
        std::string value;
        if (TakeValue(argv[index], "--windows", value)) {
            target.windowsDirectory = value;
        } else if (TakeValue(argv[index], "--path", value)) {
            target.path = value;
        } else if (TakeValue(argv[index], "--current-dir", value)) {
            resolve.currentDirectory = value;
        } else if (std::strcmp(argv[index], "--tree") == 0) {
            tree = true;
        } else if (TakeValue(argv[index], "--tree", value)) {
            tree = true;
            width = static_cast<std::size_t>(std::strtoul(value.c_str(), nullptr, 10));
        } else if (argv[index][0] == '-' && argv[index][1] == '-') {
            std::fprintf(stderr, "load_list_tool: unknown option %s\n", argv[index]);
            return 2;
        } else {
            programs.push_back(argv[index]);
        }
    }
    if (programs.empty()) {
        std::fprintf(stderr,
                     "usage: load_list_tool [--windows=DIR] [--path=DIRS] [--current-dir=DIR] "
                     "[--tree[=WIDTH]] PROGRAM...\n");
        return 2;
    }

    std::unique_ptr<loader::TargetSystem> system = loader::TargetSystem::Open(target);
    for (const std::string& note : system->Notes()) std::fprintf(stderr, "load_list_tool: %s\n", note.c_str());
    loader::FileModuleSource modules;
    bool failed = false;
    for (const std::string& program : programs) {
        const std::vector<loader::LoadRow> rows = loader::ResolveLoadList(program, *system, modules, resolve);
        for (const loader::LoadRow& row : rows) failed = failed || loader::IsFailure(row.problem);
        if (tree) {
            const std::string text = loader::RenderLoadTree(rows, {}, width);
            std::fwrite(text.data(), 1, text.size(), stdout);
            continue;
        }
        for (const loader::LoadRow& row : rows) {
            std::string shadowed;
            for (const loader::ShadowedCopy& copy : row.shadowed) {
                if (!shadowed.empty()) shadowed += ';';
                shadowed += copy.path + "|" + loader::PassedOverText(copy.why) + "|" + loader::FoundByText(copy.where);
            }
            std::printf("%s\t%s\t%s\t%u\t%s\t%s\t%s\t%s\t%s\t%s\t%s\n", row.program.c_str(), row.importName.c_str(),
                        row.importedBy.c_str(), row.depth, loader::LoadKindText(row.loadKind),
                        loader::FoundByText(row.foundBy), row.fileName.c_str(), MachineName(row.machine).c_str(),
                        row.builtin ? "true" : "false", loader::ProblemText(row.problem), shadowed.c_str());
        }
    }
    return failed ? 1 : 0;
}
