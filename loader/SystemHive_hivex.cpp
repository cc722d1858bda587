// A SYSTEM hive through Debian's libhivex: the control set that
// Select\Current names (ControlSet00N), then the key path below it.
#include <hivex.h>

#include <cstdio>
#include <cstdlib>

#include "loader/SystemRegistry.h"

namespace loader {

namespace {

class SystemHive : public SystemRegistry {
public:
    SystemHive(hive_h* hive, std::string path) : m_hive(hive), m_path(std::move(path)) {}
    ~SystemHive() override { hivex_close(m_hive); }
    SystemHive(const SystemHive&) = delete;
    SystemHive& operator=(const SystemHive&) = delete;

    std::vector<RegistryValue> Values(const std::string& keyPath) override
    {
        hive_node_h node = ControlSet();
        std::size_t start = 0;
        while (node && start <= keyPath.size()) {
            std::size_t end = keyPath.find('\\', start);
            if (end == std::string::npos) end = keyPath.size();
            if (end > start) node = hivex_node_get_child(m_hive, node, keyPath.substr(start, end - start).c_str());
            start = end + 1;
        }
        if (!node) return {};
        std::vector<RegistryValue> values;
        hive_value_h* handles = hivex_node_values(m_hive, node);
        if (!handles) return {};
        for (hive_value_h* handle = handles; *handle; ++handle) values.push_back(ValueOf(*handle));
        std::free(handles);
        return values;
    }

    std::string Source() const override { return m_path; }

private:
    hive_node_h ControlSet()
    {
        const hive_node_h root = hivex_root(m_hive);
        if (!root) return 0;
        const hive_node_h select = hivex_node_get_child(m_hive, root, "Select");
        const hive_value_h current = select ? hivex_node_get_value(m_hive, select, "Current") : 0;
        hive_type type;
        std::size_t length = 0;
        if (!current || hivex_value_type(m_hive, current, &type, &length) != 0 || type != hive_t_REG_DWORD) return 0;
        char name[32];
        std::snprintf(name, sizeof name, "ControlSet%03d", static_cast<int>(hivex_value_dword(m_hive, current)));
        return hivex_node_get_child(m_hive, root, name);
    }

    RegistryValue ValueOf(hive_value_h handle)
    {
        RegistryValue value;
        if (char* name = hivex_value_key(m_hive, handle)) {
            value.name = name;
            std::free(name);
        }
        hive_type type;
        std::size_t length = 0;
        if (hivex_value_type(m_hive, handle, &type, &length) != 0) return value;
        if (type == hive_t_REG_SZ || type == hive_t_REG_EXPAND_SZ) {
            if (char* text = hivex_value_string(m_hive, handle)) {
                value.text = text;
                std::free(text);
                value.kind = type == hive_t_REG_SZ ? RegistryValue::Kind::Text : RegistryValue::Kind::ExpandText;
            }
        } else if (type == hive_t_REG_DWORD && length == 4) {
            value.number = static_cast<std::uint32_t>(hivex_value_dword(m_hive, handle));
            value.kind = RegistryValue::Kind::Number;
        }
        return value;
    }

    hive_h* m_hive;
    std::string m_path;
};

}  // namespace

std::unique_ptr<SystemRegistry> OpenSystemHive(const std::string& path)
{
    hive_h* hive = hivex_open(path.c_str(), 0);
    if (!hive) return nullptr;
    return std::make_unique<SystemHive>(hive, path);
}

std::unique_ptr<SystemRegistry> OpenLiveRegistry()
{
    return nullptr;
}

}  // namespace loader
