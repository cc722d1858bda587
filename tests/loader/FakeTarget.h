// A Windows system on disk for the resolver's tests, laid out as a Wine
// prefix: ROOT/system.reg and ROOT/drive_c/windows with System32 (and, for
// 64-bit Windows, SysWOW64), System, WinSxS, and an application folder.
#pragma once

#include <memory>
#include <string>

#include "PeBuilder.h"
#include "TempTree.h"
#include "loader/TargetSystem.h"

namespace loader_test {

class FakeTarget {
public:
    // `registryBody`: the lines of system.reg after its header.
    explicit FakeTarget(const std::string& registryBody = "");

    // Writes `recipe` as `relative` below the root ("drive_c/windows/System32/a.dll").
    std::string Module(const std::string& relative, const PeRecipe& recipe);
    std::string File(const std::string& relative, const std::string& text);
    std::string Path(const std::string& relative) const { return m_tree.PathOf(relative); }
    std::string Windows() const { return Path("drive_c/windows"); }

    std::unique_ptr<loader::TargetSystem> Open(const std::optional<std::string>& path = std::nullopt) const;

private:
    TempTree m_tree;
};

// A program of `machine` importing `dlls`, each for one function "f".
PeRecipe Importing(std::vector<std::string> dlls, std::uint16_t machine = 0x8664, bool dll = false);

}  // namespace loader_test
