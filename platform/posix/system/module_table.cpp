// The modules that programs look functions up in at run time: kernel32.dll
// and version.dll, which a Windows build of this program imports and so has
// loaded from its start, and netapi32.dll, which it loads when it needs it.
// A handle points at one entry of the table; the program itself, named by a
// null module name, has an entry of its own.
#include <climits>
#include <cstring>
#include <mutex>
#include <string>
#include <unistd.h>
#include <vector>

#include "support/AsciiCase.h"
#include "platform/posix/system/netapi_api.h"
#include "platform/posix/system/platform_facts.h"
#include "platform/posix/system/system_directory.h"
#include "platform/posix/system/system_errors.h"
#include "platform/posix/win32_api.h"

namespace {

struct Export {
    const char* name;
    FARPROC address;
};

struct Module {
    const char* name;
    std::vector<Export> exports;
    // Imported modules stay loaded whatever FreeLibrary is told.
    bool imported;
    int loadCount;
};

template <class Function>
FARPROC AddressOf(Function* function)
{
    return reinterpret_cast<FARPROC>(reinterpret_cast<void (*)()>(function));
}

// The Wow64 switches are absent: this is no 32-bit process on a 64-bit system.
Module g_modules[] = {
    {"kernel32.dll", {{"SetThreadDescription", AddressOf(&SetThreadDescription)}}, true, 0},
    {"version.dll",
     {{"GetFileVersionInfoSizeA", AddressOf(&GetFileVersionInfoSizeA)},
      {"GetFileVersionInfoA", AddressOf(&GetFileVersionInfoA)},
      {"VerQueryValueA", AddressOf(&VerQueryValueA)}},
     true,
     0},
    {"netapi32.dll",
     {{"NetWkstaGetInfo", AddressOf(&NetWkstaGetInfo)}, {"NetApiBufferFree", AddressOf(&NetApiBufferFree)}},
     false,
     0},
};
Module g_program{"", {}, true, 0};

std::mutex g_mutex;

bool IsLoaded(const Module& module) { return module.imported || module.loadCount > 0; }

// The module name without directory; without an extension ".dll" is meant,
// and a trailing dot stands for "no extension", as Windows reads it.
std::string ModuleName(const char* text)
{
    std::string name(text);
    const std::size_t slash = name.find_last_of("\\/");
    if (slash != std::string::npos) name.erase(0, slash + 1);
    if (name.find('.') == std::string::npos) {
        name += ".dll";
    } else if (name.back() == '.') {
        name.pop_back();
    }
    return name;
}

// The table's entry for `fileName`, unless the module is unknown or a test
// has made it missing.
Module* FindModule(const char* fileName)
{
    if (!fileName) return nullptr;
    const std::string name = ModuleName(fileName);
    for (const std::string& missing : platform_facts::CurrentOverrides().missingModules) {
        if (support::EqualsIgnoringAsciiCase(ModuleName(missing.c_str()), name)) return nullptr;
    }
    for (Module& module : g_modules) {
        if (support::EqualsIgnoringAsciiCase(module.name, name)) return &module;
    }
    return nullptr;
}

// The entry behind a handle; null for what no entry of the table is.
Module* ModuleOfHandle(HMODULE handle)
{
    if (handle == &g_program) return &g_program;
    for (Module& module : g_modules) {
        if (handle == &module) return &module;
    }
    return nullptr;
}

std::string ProgramPath()
{
    char path[PATH_MAX] = {};
    const ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
    return length > 0 ? std::string(path, static_cast<std::size_t>(length)) : std::string();
}

// kernel32 and its kind live in the system directory, where the Wine prefix
// keeps their real files; a test may name another file for kernel32.
std::string ModulePath(const Module& module)
{
    if (&module == &g_program) return ProgramPath();
    if (std::strcmp(module.name, "kernel32.dll") == 0) {
        if (auto file = platform_facts::CurrentOverrides().kernel32File) return *file;
    }
    return posix::SystemDirectoryPath() + "/" + module.name;
}

}  // namespace

HMODULE LoadLibraryA(LPCSTR fileName)
{
    Module* module = FindModule(fileName);
    if (!module) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return nullptr;
    }
    std::lock_guard<std::mutex> lock(g_mutex);
    ++module->loadCount;
    return module;
}

HMODULE GetModuleHandleA(LPCSTR moduleName)
{
    if (!moduleName) return &g_program;
    Module* module = FindModule(moduleName);
    std::lock_guard<std::mutex> lock(g_mutex);
    if (!module || !IsLoaded(*module)) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return nullptr;
    }
    return module;
}

FARPROC GetProcAddress(HMODULE handle, LPCSTR procName)
{
    Module* module = ModuleOfHandle(handle);
    {
        std::lock_guard<std::mutex> lock(g_mutex);
        if (!module || !IsLoaded(*module)) {
            SetLastError(ERROR_MOD_NOT_FOUND);
            return nullptr;
        }
    }
    // Names only; a value below 0x10000 would be an ordinal, which no export
    // here has.
    if (reinterpret_cast<uintptr_t>(procName) >= 0x10000 &&
        platform_facts::CurrentOverrides().missingFunctions.count(procName) == 0) {
        for (const Export& entry : module->exports) {
            if (std::strcmp(entry.name, procName) == 0) return entry.address;
        }
    }
    SetLastError(ERROR_PROC_NOT_FOUND);
    return nullptr;
}

BOOL FreeLibrary(HMODULE handle)
{
    Module* module = ModuleOfHandle(handle);
    std::lock_guard<std::mutex> lock(g_mutex);
    if (!module || !IsLoaded(*module)) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return FALSE;
    }
    if (module->loadCount > 0) --module->loadCount;
    return TRUE;
}

DWORD GetModuleFileNameA(HMODULE handle, LPSTR fileName, DWORD size)
{
    Module* module = ModuleOfHandle(handle);
    {
        std::lock_guard<std::mutex> lock(g_mutex);
        if (!module || !IsLoaded(*module)) {
            SetLastError(ERROR_MOD_NOT_FOUND);
            return 0;
        }
    }
    const std::string path = ModulePath(*module);
    if (!fileName || size == 0) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    // Too long: cut to the buffer, terminated, and the buffer's size back.
    const auto length = static_cast<DWORD>(path.size());
    if (length >= size) {
        std::memcpy(fileName, path.data(), size - 1);
        fileName[size - 1] = '\0';
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return size;
    }
    std::memcpy(fileName, path.c_str(), length + 1);
    return length;
}
