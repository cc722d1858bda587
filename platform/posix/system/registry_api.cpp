// A read-only registry that holds one branch: the processor descriptions
// below HKEY_LOCAL_MACHINE\HARDWARE\DESCRIPTION\System\CentralProcessor.
// An open key is a heap object that knows its path; handles that were never
// handed out, or are closed already, are refused rather than followed.
#include <cstring>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "support/AsciiCase.h"
#include "platform/posix/system/processor_facts.h"
#include "platform/posix/system/system_errors.h"
#include "platform/posix/win32_api.h"

namespace {

using platform_facts::ProcessorRegistry;
using platform_facts::RegistryValue;
using KeyPath = std::vector<std::string>;

const char* const kPathToProcessors[] = {"HARDWARE", "DESCRIPTION", "System", "CentralProcessor"};
constexpr std::size_t kProcessorsDepth = 4;

// KEY_SET_VALUE, KEY_CREATE_SUB_KEY, KEY_CREATE_LINK, DELETE, WRITE_DAC,
// WRITE_OWNER, GENERIC_ALL, GENERIC_WRITE: nothing here can be changed.
constexpr REGSAM kWriteRights = 0x0002 | 0x0004 | 0x0020 | 0x00010000 | 0x00040000 | 0x00080000 |
                                0x10000000 | 0x40000000;

struct OpenKey {
    KeyPath path;  // names below HKEY_LOCAL_MACHINE, as the registry spells them
};

std::mutex g_mutex;
std::set<OpenKey*> g_openKeys;

std::optional<KeyPath> PathOfKey(HKEY key)
{
    if (key == HKEY_LOCAL_MACHINE) return KeyPath{};
    std::lock_guard<std::mutex> lock(g_mutex);
    auto* open = reinterpret_cast<OpenKey*>(key);
    if (g_openKeys.count(open) == 0) return std::nullopt;
    return open->path;
}

// The spelling of sub-key `name` of the key at `path`, when there is one.
std::optional<std::string> SubKeyName(const KeyPath& path, const std::string& name, const ProcessorRegistry& view)
{
    const std::size_t depth = path.size();
    if (depth < kProcessorsDepth) {
        if (depth == kProcessorsDepth - 1 && !view.centralProcessorExists) return std::nullopt;
        if (!support::EqualsIgnoringAsciiCase(name, kPathToProcessors[depth])) return std::nullopt;
        return std::string(kPathToProcessors[depth]);
    }
    if (depth == kProcessorsDepth) {
        for (const auto& key : view.keys) {
            if (name == std::to_string(key.first)) return name;
        }
    }
    return std::nullopt;
}

std::optional<RegistryValue> FindValue(const KeyPath& path, const char* name, const ProcessorRegistry& view)
{
    if (path.size() != kProcessorsDepth + 1 || !name) return std::nullopt;
    const auto key = view.keys.find(static_cast<DWORD>(std::stoul(path.back())));
    if (key == view.keys.end()) return std::nullopt;
    for (const auto& value : key->second) {
        if (support::EqualsIgnoringAsciiCase(value.first, name)) return value.second;
    }
    return std::nullopt;
}

}  // namespace

LONG RegOpenKeyExA(HKEY key, LPCSTR subKey, DWORD, REGSAM desired, PHKEY result)
{
    if (!result) return ERROR_INVALID_PARAMETER;
    *result = nullptr;
    std::optional<KeyPath> path = PathOfKey(key);
    if (!path) return ERROR_INVALID_HANDLE;
    if (desired & kWriteRights) return ERROR_ACCESS_DENIED;

    // Several levels at once, separated by backslashes, as Windows allows.
    const ProcessorRegistry view = posix::ProcessorRegistryView();
    const std::string names = subKey ? subKey : "";
    std::size_t start = 0;
    while (start <= names.size()) {
        std::size_t end = names.find('\\', start);
        if (end == std::string::npos) end = names.size();
        if (end > start) {
            std::optional<std::string> name = SubKeyName(*path, names.substr(start, end - start), view);
            if (!name) return ERROR_FILE_NOT_FOUND;
            path->push_back(*name);
        }
        start = end + 1;
    }

    auto* open = new OpenKey{*path};
    std::lock_guard<std::mutex> lock(g_mutex);
    g_openKeys.insert(open);
    *result = reinterpret_cast<HKEY>(open);
    return ERROR_SUCCESS;
}

LONG RegQueryValueExA(HKEY key, LPCSTR valueName, LPDWORD reserved, LPDWORD type, LPBYTE data, LPDWORD dataSize)
{
    if (reserved || (data && !dataSize)) return ERROR_INVALID_PARAMETER;
    const std::optional<KeyPath> path = PathOfKey(key);
    if (!path) return ERROR_INVALID_HANDLE;
    const std::optional<RegistryValue> value = FindValue(*path, valueName, posix::ProcessorRegistryView());
    if (!value) return ERROR_FILE_NOT_FOUND;

    if (type) *type = value->type;
    const auto size = static_cast<DWORD>(value->data.size());
    if (data) {
        // Too small: the caller learns the size it needs and gets nothing.
        if (*dataSize < size) {
            *dataSize = size;
            return ERROR_MORE_DATA;
        }
        std::memcpy(data, value->data.data(), size);
    }
    if (dataSize) *dataSize = size;
    return ERROR_SUCCESS;
}

LONG RegCloseKey(HKEY key)
{
    if (key == HKEY_LOCAL_MACHINE) return ERROR_SUCCESS;
    auto* open = reinterpret_cast<OpenKey*>(key);
    {
        std::lock_guard<std::mutex> lock(g_mutex);
        if (g_openKeys.erase(open) == 0) return ERROR_INVALID_HANDLE;
    }
    delete open;
    return ERROR_SUCCESS;
}
