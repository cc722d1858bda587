#include "loader/TargetSystem.h"

#include <cstdlib>

#include "loader/ApiSetSchemaFile.h"
#include "loader/SystemRegistry.h"
#include "platform/path_style.h"
#include "platform/win32.h"
#include "support/AsciiCase.h"
#include "support/PeLayout.h"

#ifndef _WIN32
#include "platform/WinePrefix.h"
#endif

namespace loader {

namespace {

const char* const kSessionManager = "Control\\Session Manager";

std::vector<std::string> SplitList(const std::string& text)
{
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find(';', start);
        if (end == std::string::npos) end = text.size();
        std::string part = text.substr(start, end - start);
        while (!part.empty() && (part.back() == ' ' || part.back() == '"')) part.pop_back();
        while (!part.empty() && (part.front() == ' ' || part.front() == '"')) part.erase(0, 1);
        if (!part.empty()) parts.push_back(part);
        start = end + 1;
    }
    return parts;
}

std::set<std::string> KnownDllNames(SystemRegistry* registry, const std::string& key)
{
    std::set<std::string> names;
    if (!registry) return names;
    for (const RegistryValue& value : registry->Values(std::string(kSessionManager) + "\\" + key)) {
        if (value.kind != RegistryValue::Kind::Text && value.kind != RegistryValue::Kind::ExpandText) continue;
        // DllDirectory and DllDirectory32 name the folder, not a DLL.
        if (support::EqualsIgnoringAsciiCase(value.name, "DllDirectory") ||
            support::EqualsIgnoringAsciiCase(value.name, "DllDirectory32") || value.text.empty()) {
            continue;
        }
        names.insert(UpperAscii(value.text));
    }
    return names;
}

#ifdef _WIN32
std::string SystemText(UINT(WINAPI* get)(LPSTR, UINT))
{
    char buffer[MAX_PATH + 1] = {};
    const UINT length = get(buffer, sizeof buffer);
    return length > 0 && length < sizeof buffer ? std::string(buffer, length) : std::string();
}

bool RunsUnderWow64()
{
    using IsWow64ProcessFn = BOOL(WINAPI*)(HANDLE, PBOOL);
    const auto isWow64 = reinterpret_cast<IsWow64ProcessFn>(
        reinterpret_cast<void (*)()>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "IsWow64Process")));
    BOOL wow64 = FALSE;
    return isWow64 && isWow64(GetCurrentProcess(), &wow64) && wow64;
}
#endif

}  // namespace

std::unique_ptr<TargetSystem> TargetSystem::Open(const TargetOptions& options)
{
    std::string windows = options.windowsDirectory;
    std::unique_ptr<SystemRegistry> registry;
    bool live = false;
#ifdef _WIN32
    if (windows.empty()) {
        windows = SystemText(GetWindowsDirectoryA);
        registry = OpenLiveRegistry();
        live = true;
    }
#else
    if (windows.empty()) windows = platform::WinePrefixDirectory() + "/drive_c/windows";
#endif
    while (windows.size() > 1 && (windows.back() == '/' || windows.back() == '\\')) windows.pop_back();

    std::vector<std::string> notes;
    if (!registry) {
        // A Wine prefix keeps its registry two levels above drive_c/windows.
        const std::string prefix = ParentOf(ParentOf(windows));
        registry = OpenWineRegistryFile(JoinPath(prefix, "system.reg"));
    }
    std::optional<std::string> path = options.path;
#ifdef _WIN32
    if (live && !path) {
        const DWORD size = GetEnvironmentVariableA("PATH", nullptr, 0);
        std::string text(size, '\0');
        if (size > 0) text.resize(GetEnvironmentVariableA("PATH", text.data(), size));
        path = text;
    }
#endif
    auto target = std::make_unique<TargetSystem>(windows, std::move(registry), path);
    target->m_live = live;
    if (!target->m_registry) {
        // A disk's hive, below System32\config (the case as the disk has it).
        DirectoryTable& directories = target->m_directories;
        const std::optional<std::string> config = directories.FindDirectory(target->m_system32, "config");
        const std::optional<std::string> hive =
            config ? directories.FindFile(JoinPath(target->m_system32, *config), "SYSTEM") : std::nullopt;
        if (hive) target->m_registry = OpenSystemHive(JoinPath(JoinPath(target->m_system32, *config), *hive));
        if (target->m_registry) {
            target->ReadRegistry(path);
        } else {
            notes.push_back(
                "no registry of the target found (system.reg, System32\\config\\SYSTEM): "
                "no KnownDLLs, SafeDllSearchMode on, PATH as given");
        }
    }
    target->m_notes.insert(target->m_notes.end(), notes.begin(), notes.end());
    return target;
}

TargetSystem::TargetSystem(std::string windowsDirectory, std::unique_ptr<SystemRegistry> registry,
                           std::optional<std::string> path)
    : m_windows(std::move(windowsDirectory)), m_registry(std::move(registry))
{
    ReadDirectories();
    ReadRegistry(std::move(path));
}

TargetSystem::~TargetSystem() = default;

void TargetSystem::ReadDirectories()
{
    auto child = [&](const std::string& name) {
        const std::optional<std::string> found = m_directories.FindDirectory(m_windows, name);
        return found ? JoinPath(m_windows, *found) : std::string();
    };
    m_system32 = child("System32");
    m_sysWow64 = child("SysWOW64");
    m_system16 = child("System");
    m_winSxS = child("WinSxS");
#ifdef _WIN32
    // A 32-bit scanner sees SysWOW64 where System32 is named; Sysnative is
    // the real System32 for it.
    if (RunsUnderWow64()) {
        const std::string sysnative = JoinPath(m_windows, "Sysnative");
        if (!m_directories.Entries(sysnative).empty()) m_system32 = sysnative;
    }
#endif
    if (m_system32.empty()) {
        m_system32 = JoinPath(m_windows, "System32");
        m_notes.push_back("no System32 below " + m_windows);
    }
    m_apiSets = ReadApiSetSchemaFile(
        JoinPath(m_system32, m_directories.FindFile(m_system32, "apisetschema.dll").value_or("apisetschema.dll")));
}

void TargetSystem::ReadRegistry(std::optional<std::string> path)
{
    if (m_registry) {
        const std::vector<RegistryValue> manager = m_registry->Values(kSessionManager);
        if (const RegistryValue* safe = FindValue(manager, "SafeDllSearchMode")) {
            if (safe->kind == RegistryValue::Kind::Number) m_safeDllSearchMode = safe->number != 0;
        }
        m_knownDlls = KnownDllNames(m_registry.get(), "KnownDLLs");
        m_knownDlls32 = KnownDllNames(m_registry.get(), "KnownDLLs32");
        if (m_knownDlls32.empty()) m_knownDlls32 = m_knownDlls;
        if (!path) {
            const std::vector<RegistryValue> environment =
                m_registry->Values(std::string(kSessionManager) + "\\Environment");
            if (const RegistryValue* value = FindValue(environment, "Path")) path = value->text;
        }
    }
    m_path.clear();
    for (const std::string& part : SplitList(path.value_or(""))) {
        const std::string native = m_live ? part : NativePath(part);
        if (!native.empty()) m_path.push_back(native);
    }
}

const std::string& TargetSystem::SystemDirectoryFor(std::uint16_t machine) const
{
    return machine == support::pe::kMachineI386 && Is64BitWindows() ? m_sysWow64 : m_system32;
}

bool TargetSystem::IsKnownDll(const std::string& fileName, std::uint16_t machine) const
{
    return KnownDlls(machine).count(UpperAscii(fileName)) != 0;
}

const std::set<std::string>& TargetSystem::KnownDlls(std::uint16_t machine) const
{
    return machine == support::pe::kMachineI386 && Is64BitWindows() ? m_knownDlls32 : m_knownDlls;
}

std::string TargetSystem::Expand(const std::string& text) const
{
    std::string out;
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t open = text.find('%', at);
        const std::size_t close = open == std::string::npos ? open : text.find('%', open + 1);
        if (close == std::string::npos) {
            out += text.substr(at);
            break;
        }
        out += text.substr(at, open - at);
        const std::string name = text.substr(open + 1, close - open - 1);
        if (support::EqualsIgnoringAsciiCase(name, "SystemRoot") || support::EqualsIgnoringAsciiCase(name, "windir")) {
            out += m_windows;
        } else if (support::EqualsIgnoringAsciiCase(name, "SystemDrive")) {
            out += m_live ? m_windows.substr(0, 2) : ParentOf(m_windows);
        } else {
            // Unknown here: kept, so that the directory simply is not found.
            out += text.substr(open, close - open + 1);
        }
        at = close + 1;
    }
    return out;
}

std::string TargetSystem::NativePath(const std::string& windowsPath)
{
    std::string path = Expand(windowsPath);
    if (m_live) return path;
#ifndef _WIN32
    if (path.size() >= 2 && support::IsAsciiLetter(path[0]) && path[1] == ':') {
        const char drive = support::ToLowerAscii(path[0]);
        // The Windows directory's own drive is the root above it; a Wine
        // prefix's other drives are its dosdevices links.
        const std::string prefix = ParentOf(ParentOf(m_windows));
        const std::string link = JoinPath(JoinPath(prefix, "dosdevices"), std::string(1, drive) + ":");
        const bool windowsDrive = drive == 'c';
        path = (windowsDrive ? ParentOf(m_windows) : link) + path.substr(2);
    }
    for (char& c : path) {
        if (c == '\\') c = '/';
    }
    // Each part in the case the directory lists it.
    std::string resolved = path[0] == '/' ? "/" : "";
    std::size_t start = path[0] == '/' ? 1 : 0;
    while (start < path.size()) {
        std::size_t end = path.find('/', start);
        if (end == std::string::npos) end = path.size();
        const std::string part = path.substr(start, end - start);
        if (!part.empty()) {
            const std::optional<std::string> listed = m_directories.FindDirectory(resolved, part);
            resolved = JoinPath(resolved, listed ? *listed : part);
        }
        start = end + 1;
    }
    return resolved;
#else
    return path;
#endif
}

}  // namespace loader
