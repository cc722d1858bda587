#include "FakeTarget.h"

namespace loader_test {

FakeTarget::FakeTarget(const std::string& registryBody)
{
    for (const char* folder : {"drive_c/windows/System32", "drive_c/windows/System", "drive_c/windows/WinSxS", "app",
                               "current", "path1", "path2"}) {
        m_tree.AddDirectory(folder);
    }
    m_tree.AddFile("system.reg",
                   "WINE REGISTRY Version 2\n;; All keys relative to REGISTRY\\\\Machine\n\n" + registryBody);
}

std::string FakeTarget::Module(const std::string& relative, const PeRecipe& recipe)
{
    m_tree.AddFile(relative, BuildPe(recipe).bytes);
    return Path(relative);
}

std::string FakeTarget::File(const std::string& relative, const std::string& text)
{
    m_tree.AddFile(relative, text);
    return Path(relative);
}

std::unique_ptr<loader::TargetSystem> FakeTarget::Open(const std::optional<std::string>& path) const
{
    loader::TargetOptions options;
    options.windowsDirectory = Windows();
    options.path = path;
    return loader::TargetSystem::Open(options);
}

PeRecipe Importing(std::vector<std::string> dlls, std::uint16_t machine, bool dll)
{
    PeRecipe recipe;
    recipe.machine = machine;
    recipe.dll = dll;
    for (std::string& name : dlls) recipe.imports.push_back({std::move(name), {"f"}, {}});
    return recipe;
}

}  // namespace loader_test
