// Where the resolver gets a module's tables: an interface, so that the
// scanner can hand over what its one read of a module already found, and a
// default that reads each path once (ModuleFile + ReadModuleImports) and
// keeps the result for the run.
#pragma once

#include <cstddef>
#include <map>
#include <memory>
#include <string>

#include "engine/ModuleImports.h"

namespace loader {

class ModuleSource {
public:
    virtual ~ModuleSource() = default;
    // The tables of the module at `path`; never null (a file that cannot be
    // read gives Unreadable or NotFound). The pointer stays valid for
    // the source's lifetime; a second call for the same path reads nothing.
    virtual const ModuleImports* Read(const std::string& path) = 0;
};

class FileModuleSource : public ModuleSource {
public:
    const ModuleImports* Read(const std::string& path) override;
    // How many files were read (each path once).
    std::size_t ReadCount() const { return m_modules.size(); }

private:
    std::map<std::string, std::unique_ptr<ModuleImports>> m_modules;
};

}  // namespace loader
