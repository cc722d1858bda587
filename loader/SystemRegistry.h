// The registry values of a target that the loader's rules read, below
// HKLM\SYSTEM's current control set: Control\Session Manager (SafeDllSearchMode,
// KnownDLLs, KnownDLLs32, Environment). Three sources: the live registry
// (Windows), a Wine prefix's system.reg, a disk's SYSTEM hive (Linux).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace loader {

struct RegistryValue {
    enum class Kind {
        Text,
        ExpandText,
        Number,
        Other
    };
    std::string name;
    Kind kind = Kind::Other;
    std::string text;          // Text and ExpandText, UTF-8
    std::uint32_t number = 0;  // Number (REG_DWORD)
};

class SystemRegistry {
public:
    virtual ~SystemRegistry() = default;
    // The values of the key `keyPath` ("Control\\Session Manager\\KnownDLLs")
    // below the current control set; empty when the key is not there.
    virtual std::vector<RegistryValue> Values(const std::string& keyPath) = 0;
    // Where the values come from, for messages: "system.reg", a hive's path.
    virtual std::string Source() const = 0;
};

// The value `name` of `values` (ASCII case ignored), or null.
const RegistryValue* FindValue(const std::vector<RegistryValue>& values, const std::string& name);

// A Wine prefix's system.reg (the text the wineserver writes), read once.
std::unique_ptr<SystemRegistry> OpenWineRegistryFile(const std::string& path);
// A SYSTEM hive file: through libhivex on Linux, RegLoadAppKeyA on Windows;
// null when it cannot be opened.
std::unique_ptr<SystemRegistry> OpenSystemHive(const std::string& path);
// The running system's registry (Windows); null elsewhere.
std::unique_ptr<SystemRegistry> OpenLiveRegistry();

}  // namespace loader
