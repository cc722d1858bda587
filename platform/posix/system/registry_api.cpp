// A read-only registry that holds one branch: the processor descriptions
// below HKEY_LOCAL_MACHINE\HARDWARE\DESCRIPTION\System\CentralProcessor.
// An open key is an entry of the handle table that knows its path.
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "support/AsciiCase.h"
#include "platform/posix/handle_table.h"
#include "platform/posix/system/reported_facts.h"
#include "platform/posix/system/system_errors.h"
#include "platform/posix/win32_api.h"

namespace {

using system_facts::ProcessorRegistry;
using system_facts::RegistryValue;
using KeyPath = std::vector<std::string>;

const char* const kPathToProcessors[] = {"HARDWARE", "DESCRIPTION", "System", "CentralProcessor"};
constexpr std::size_t kProcessorsDepth = 4;

struct OpenKey {
    static constexpr posix::HandleKind kHandleKind = posix::HandleKind::RegistryKey;

    KeyPath path;  // names below HKEY_LOCAL_MACHINE, as the registry spells them
};

std::optional<KeyPath> PathOfKey(HKEY key)
{
    if (key == HKEY_LOCAL_MACHINE) return KeyPath{};
    const auto open = posix::FindHandle<OpenKey>(reinterpret_cast<HANDLE>(key));
    if (!open) return std::nullopt;
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

LONG RegOpenKeyExA(HKEY key, LPCSTR subKey, DWORD, REGSAM, PHKEY result)
{
    if (!result) return ERROR_INVALID_PARAMETER;
    *result = nullptr;
    std::optional<KeyPath> path = PathOfKey(key);
    if (!path) return ERROR_INVALID_HANDLE;

    // Several levels at once, separated by backslashes, as Windows allows.
    const ProcessorRegistry view = system_facts::ReportedProcessorRegistry();
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

    *result = reinterpret_cast<HKEY>(posix::AddHandle(std::make_shared<OpenKey>(OpenKey{std::move(*path)})));
    return ERROR_SUCCESS;
}

LONG RegQueryValueExA(HKEY key, LPCSTR valueName, LPDWORD reserved, LPDWORD type, LPBYTE data, LPDWORD dataSize)
{
    if (reserved || (data && !dataSize)) return ERROR_INVALID_PARAMETER;
    const std::optional<KeyPath> path = PathOfKey(key);
    if (!path) return ERROR_INVALID_HANDLE;
    const std::optional<RegistryValue> value = FindValue(*path, valueName, system_facts::ReportedProcessorRegistry());
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
    return posix::RemoveHandle(reinterpret_cast<HANDLE>(key), {posix::HandleKind::RegistryKey}) ? ERROR_SUCCESS
                                                                                                : ERROR_INVALID_HANDLE;
}
