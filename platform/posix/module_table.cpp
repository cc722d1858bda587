// The modules that programs look functions up in at run time: kernel32.dll
// and version.dll, which a Windows build of this program imports and so has
// loaded from its start, and netapi32.dll, which it loads when it needs it.
// Each module is an entry of the handle table; its handle stays the same
// for the whole run, as a module's does on Windows.
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "support/AsciiCase.h"
#include "platform/posix/handle_table.h"
#include "platform/posix/system/netapi_api.h"
#include "platform/posix/system/reported_facts.h"
#include "platform/posix/system/system_directory.h"
#include "platform/posix/system/system_errors.h"
#include "platform/posix/win32_api.h"

namespace {

struct Export {
    const char* name;
    FARPROC address;
};

struct Module {
    static constexpr posix::HandleKind kHandleKind = posix::HandleKind::Module;

    const char* fileName;
    std::vector<Export> exports;
    // Imported modules stay loaded whatever FreeLibrary is told.
    bool imported;
    int loadCount = 0;  // under g_loadMutex
    HMODULE handle = nullptr;
};

template <class Function>
FARPROC AddressOf(Function* function)
{
    return reinterpret_cast<FARPROC>(reinterpret_cast<void (*)()>(function));
}

std::mutex g_loadMutex;

// The Wow64 switches are absent: this is no 32-bit process on a 64-bit
// system. Never destroyed, as the handle table is not.
const std::vector<std::shared_ptr<Module>>& Modules()
{
    static const auto* const modules = [] {
        auto* table = new std::vector<std::shared_ptr<Module>>{
            std::make_shared<Module>(
                Module{"kernel32.dll", {{"SetThreadDescription", AddressOf(&SetThreadDescription)}}, true}),
            std::make_shared<Module>(Module{"version.dll",
                                            {{"GetFileVersionInfoSizeA", AddressOf(&GetFileVersionInfoSizeA)},
                                             {"GetFileVersionInfoA", AddressOf(&GetFileVersionInfoA)},
                                             {"VerQueryValueA", AddressOf(&VerQueryValueA)}},
                                            true}),
            std::make_shared<Module>(Module{
                "netapi32.dll",
                {{"NetWkstaGetInfo", AddressOf(&NetWkstaGetInfo)}, {"NetApiBufferFree", AddressOf(&NetApiBufferFree)}},
                false}),
        };
        for (const auto& module : *table) module->handle = static_cast<HMODULE>(posix::AddHandle(module));
        return table;
    }();
    return *modules;
}

bool IsLoaded(const Module& module)
{
    return module.imported || module.loadCount > 0;
}

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

// The table's entry for `fileName`, unless the module is unknown or the
// facts say it is missing.
Module* FindModule(const char* fileName)
{
    if (!fileName) return nullptr;
    const std::string name = ModuleName(fileName);
    for (const auto& module : Modules()) {
        if (support::EqualsIgnoringAsciiCase(module->fileName, name))
            return system_facts::IsModuleAvailable(module->fileName) ? module.get() : nullptr;
    }
    return nullptr;
}

// The module behind a handle while it is loaded; null for any other handle.
// Windows answers ERROR_MOD_NOT_FOUND for a handle that names no loaded
// module, and so do the module functions here.
std::shared_ptr<Module> LoadedModuleOfHandle(HMODULE handle)
{
    std::shared_ptr<Module> module = posix::FindHandle<Module>(handle);
    std::lock_guard<std::mutex> lock(g_loadMutex);
    if (!module || !IsLoaded(*module)) return nullptr;
    return module;
}

// kernel32 and its kind live in the system directory, where the Wine prefix
// keeps their real files; the facts name kernel32's.
std::string ModulePath(const Module& module)
{
    if (std::strcmp(module.fileName, "kernel32.dll") == 0) return system_facts::Kernel32Path();
    return posix::SystemModulePath(module.fileName);
}

}  // namespace

HMODULE LoadLibraryA(LPCSTR fileName)
{
    Module* module = FindModule(fileName);
    if (!module) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return nullptr;
    }
    std::lock_guard<std::mutex> lock(g_loadMutex);
    ++module->loadCount;
    return module->handle;
}

HMODULE GetModuleHandleA(LPCSTR moduleName)
{
    Module* module = FindModule(moduleName);
    std::lock_guard<std::mutex> lock(g_loadMutex);
    if (!module || !IsLoaded(*module)) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return nullptr;
    }
    return module->handle;
}

FARPROC GetProcAddress(HMODULE handle, LPCSTR procName)
{
    const std::shared_ptr<Module> module = LoadedModuleOfHandle(handle);
    if (!module) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return nullptr;
    }
    // Names only; a value below 0x10000 would be an ordinal, which no export
    // here has.
    if (reinterpret_cast<uintptr_t>(procName) >= 0x10000 && system_facts::IsFunctionAvailable(procName)) {
        for (const Export& entry : module->exports) {
            if (std::strcmp(entry.name, procName) == 0) return entry.address;
        }
    }
    SetLastError(ERROR_PROC_NOT_FOUND);
    return nullptr;
}

BOOL FreeLibrary(HMODULE handle)
{
    const std::shared_ptr<Module> module = posix::FindHandle<Module>(handle);
    std::lock_guard<std::mutex> lock(g_loadMutex);
    if (!module || !IsLoaded(*module)) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return FALSE;
    }
    if (module->loadCount > 0) --module->loadCount;
    return TRUE;
}

DWORD GetModuleFileNameA(HMODULE handle, LPSTR fileName, DWORD size)
{
    const std::shared_ptr<Module> module = LoadedModuleOfHandle(handle);
    if (!module) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return 0;
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
