// The registry on Windows: the running system's (the 64-bit view even in the
// 32-bit scanner, as the loader of a 64-bit program reads it), or another
// installation's SYSTEM hive, loaded for this process alone with
// RegLoadAppKeyA (no privilege needed, nothing mounted system-wide).
#include <windows.h>

#include <cstdio>

#include "loader/SystemRegistry.h"

namespace loader {

namespace {

std::vector<RegistryValue> ValuesOfKey(HKEY root, const std::string& path, REGSAM view)
{
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ | view, &key) != ERROR_SUCCESS) return {};
    std::vector<RegistryValue> values;
    std::vector<char> name(16384);
    std::vector<BYTE> data(65536);
    for (DWORD index = 0; index < 16384; ++index) {
        DWORD nameLength = static_cast<DWORD>(name.size());
        DWORD dataLength = static_cast<DWORD>(data.size() - 2);
        DWORD type = 0;
        const LONG status =
            RegEnumValueA(key, index, name.data(), &nameLength, nullptr, &type, data.data(), &dataLength);
        if (status == ERROR_NO_MORE_ITEMS) break;
        if (status != ERROR_SUCCESS) continue;
        RegistryValue value;
        value.name.assign(name.data(), nameLength);
        if (type == REG_SZ || type == REG_EXPAND_SZ) {
            data[dataLength] = 0;
            value.text = reinterpret_cast<const char*>(data.data());
            value.kind = type == REG_SZ ? RegistryValue::Kind::Text : RegistryValue::Kind::ExpandText;
        } else if (type == REG_DWORD && dataLength == 4) {
            value.number = data[0] | (data[1] << 8) | (data[2] << 16) | (static_cast<DWORD>(data[3]) << 24);
            value.kind = RegistryValue::Kind::Number;
        }
        values.push_back(std::move(value));
    }
    RegCloseKey(key);
    return values;
}

class LiveRegistry : public SystemRegistry {
public:
    std::vector<RegistryValue> Values(const std::string& keyPath) override
    {
        return ValuesOfKey(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\" + keyPath, KEY_WOW64_64KEY);
    }
    std::string Source() const override { return "the registry"; }
};

class LoadedHive : public SystemRegistry {
public:
    LoadedHive(HKEY root, std::string path) : m_root(root), m_path(std::move(path)) {}
    ~LoadedHive() override { RegCloseKey(m_root); }
    LoadedHive(const LoadedHive&) = delete;
    LoadedHive& operator=(const LoadedHive&) = delete;

    std::vector<RegistryValue> Values(const std::string& keyPath) override
    {
        const std::vector<RegistryValue> select = ValuesOfKey(m_root, "Select", 0);
        const RegistryValue* current = FindValue(select, "Current");
        if (!current || current->kind != RegistryValue::Kind::Number) return {};
        char set[32];
        std::snprintf(set, sizeof set, "ControlSet%03u\\", static_cast<unsigned>(current->number));
        return ValuesOfKey(m_root, set + keyPath, 0);
    }
    std::string Source() const override { return m_path; }

private:
    HKEY m_root;
    std::string m_path;
};

}  // namespace

std::unique_ptr<SystemRegistry> OpenSystemHive(const std::string& path)
{
    using RegLoadAppKeyFn = LONG(WINAPI*)(LPCSTR, PHKEY, REGSAM, DWORD, DWORD);
    // Windows 7 and later; looked up, so the program still starts on older ones.
    const auto load = reinterpret_cast<RegLoadAppKeyFn>(
        reinterpret_cast<void (*)()>(GetProcAddress(GetModuleHandleA("advapi32.dll"), "RegLoadAppKeyA")));
    HKEY root = nullptr;
    if (!load || load(path.c_str(), &root, KEY_READ, REG_PROCESS_APPKEY, 0) != ERROR_SUCCESS) return nullptr;
    return std::make_unique<LoadedHive>(root, path);
}

std::unique_ptr<SystemRegistry> OpenLiveRegistry()
{
    return std::make_unique<LiveRegistry>();
}

}  // namespace loader
