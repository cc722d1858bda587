#include "loader/SystemRegistry.h"

#include "support/AsciiCase.h"

namespace loader {

const RegistryValue* FindValue(const std::vector<RegistryValue>& values, const std::string& name)
{
    for (const RegistryValue& value : values) {
        if (support::EqualsIgnoringAsciiCase(value.name, name)) return &value;
    }
    return nullptr;
}

}  // namespace loader
