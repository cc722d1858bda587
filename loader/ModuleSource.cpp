#include "loader/ModuleSource.h"

#include "platform/file/ModuleFile.h"

namespace loader {

const ModuleImports* FileModuleSource::Read(const std::string& path)
{
    auto found = m_modules.find(path);
    if (found != m_modules.end()) return found->second.get();
    const platform::ModuleFile file(path.c_str(), platform::FileSharing::Readers);
    auto imports = std::make_unique<ModuleImports>(ReadModuleImports(file));
    return m_modules.emplace(path, std::move(imports)).first->second.get();
}

}  // namespace loader
