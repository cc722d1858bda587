// The Windows system a load list is for, read once per run: its Windows,
// System32, SysWOW64 and 16-bit system directories, the KnownDLLs lists (the
// native one and the WOW64 one), the API set schema, SafeDllSearchMode and
// the PATH a program would see. Every directory it names is listed through
// its DirectoryTable, once.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "loader/ApiSetSchema.h"
#include "loader/DirectoryTable.h"

namespace loader {

class SystemRegistry;

struct TargetOptions {
    // --windows=DIR: the target's Windows directory. Empty: the running
    // system on Windows; on Linux the Wine prefix's drive_c/windows
    // ($WINEPREFIX, default ~/.wine).
    std::string windowsDirectory;
    // --path=DIRS, ';'-separated: the PATH the program would see. None: the
    // process's PATH on Windows (running system), else the target's own
    // from its registry, with %SystemRoot% and the like expanded.
    std::optional<std::string> path;
};

class TargetSystem {
public:
    // Reads the target. Registry sources, in turn: the live registry (the
    // running system), the system.reg of the Wine prefix that holds the
    // Windows directory, the System32\config\SYSTEM hive (Linux). What
    // could not be read is said in Notes() and left at Windows' defaults.
    static std::unique_ptr<TargetSystem> Open(const TargetOptions& options);
    // A target made of given parts, for tests and for a caller that knows them.
    TargetSystem(std::string windowsDirectory, std::unique_ptr<SystemRegistry> registry,
                 std::optional<std::string> path);
    ~TargetSystem();

    const std::string& WindowsDirectory() const { return m_windows; }
    // Whether the target is 64-bit Windows (it has a SysWOW64 directory).
    bool Is64BitWindows() const { return !m_sysWow64.empty(); }
    // System32, or SysWOW64 for a 32-bit program on 64-bit Windows (as the
    // file-system redirector shows it to that program).
    const std::string& SystemDirectoryFor(std::uint16_t machine) const;
    const std::string& System16Directory() const { return m_system16; }
    // The WinSxS folder; empty when there is none.
    const std::string& WinSxSDirectory() const { return m_winSxS; }

    // Whether `fileName` is on the KnownDLLs list that applies to a program
    // of `machine` (the WOW64 list for a 32-bit program on 64-bit Windows).
    bool IsKnownDll(const std::string& fileName, std::uint16_t machine) const;
    const std::set<std::string>& KnownDlls(std::uint16_t machine) const;  // upper-cased names

    const ApiSetSchema& ApiSets() const { return m_apiSets; }
    bool SafeDllSearchMode() const { return m_safeDllSearchMode; }
    const std::vector<std::string>& PathDirectories() const { return m_path; }

    DirectoryTable& Directories() { return m_directories; }
    // What could not be read: "no registry found below ...", and the like.
    const std::vector<std::string>& Notes() const { return m_notes; }

    // A Windows path of the target ("C:\windows\system32", "%SystemRoot%")
    // as a path of this system: variables expanded, the drive of the Windows
    // directory mapped to its root, a Wine prefix's other drives through
    // its dosdevices, separators and the case of each part as listed.
    std::string NativePath(const std::string& windowsPath);

private:
    void ReadDirectories();
    void ReadRegistry(std::optional<std::string> path);
    std::string Expand(const std::string& text) const;

    std::string m_windows;
    std::string m_system32;
    std::string m_sysWow64;
    std::string m_system16;
    std::string m_winSxS;
    std::unique_ptr<SystemRegistry> m_registry;
    std::set<std::string> m_knownDlls;
    std::set<std::string> m_knownDlls32;
    ApiSetSchema m_apiSets;
    bool m_safeDllSearchMode = true;
    bool m_live = false;
    std::vector<std::string> m_path;
    std::vector<std::string> m_notes;
    DirectoryTable m_directories;
};

}  // namespace loader
