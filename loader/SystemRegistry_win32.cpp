// The running system's registry: the 64-bit view even in the 32-bit
// scanner, as the loader of a 64-bit program reads it.
#include <windows.h>

#include "loader/SystemRegistry.h"

namespace loader {

namespace {

class LiveRegistry : public SystemRegistry {
public:
    std::vector<RegistryValue> Values(const std::string& keyPath) override
    {
        HKEY key = nullptr;
        const std::string path = "SYSTEM\\CurrentControlSet\\" + keyPath;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ | KEY_WOW64_64KEY, &key) != ERROR_SUCCESS) {
            return {};
        }
        std::vector<RegistryValue> values;
        for (DWORD index = 0; index < 16384; ++index) {
            char name[16384];
            BYTE data[8192];
            DWORD nameLength = sizeof name, dataLength = sizeof data - 2, type = 0;
            const LONG status = RegEnumValueA(key, index, name, &nameLength, nullptr, &type, data, &dataLength);
            if (status == ERROR_NO_MORE_ITEMS) break;
            if (status != ERROR_SUCCESS) continue;
            RegistryValue value;
            value.name.assign(name, nameLength);
            if (type == REG_SZ || type == REG_EXPAND_SZ) {
                data[dataLength] = 0;
                value.text = reinterpret_cast<const char*>(data);
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

    std::string Source() const override { return "the registry"; }
};

}  // namespace

std::unique_ptr<SystemRegistry> OpenSystemHive(const std::string&) { return nullptr; }

std::unique_ptr<SystemRegistry> OpenLiveRegistry() { return std::make_unique<LiveRegistry>(); }

}  // namespace loader
