#include <gtest/gtest.h>

#include "TempTree.h"
#include "loader/SystemRegistry.h"

#ifndef _WIN32
#include <hivex.h>

#include <cerrno>
#include <cstring>

#include "PeBuilder.h"
#endif

namespace {

using loader::FindValue;
using loader::RegistryValue;

TEST(RegistryTest, WineRegistryFileGivesTheControlSetsValues)
{
    TempTree tree;
    tree.AddFile("system.reg",
                 "WINE REGISTRY Version 2\n;; All keys relative to REGISTRY\\\\Machine\n\n#arch=win64\n\n"
                 "[Software\\\\Other] 1\n\"SafeDllSearchMode\"=dword:00000000\n\n"
                 "[System\\\\Select] 1\n\"Current\"=dword:00000002\n\n"
                 "[System\\\\ControlSet002\\\\Control\\\\Session Manager] 1\n#time=1\n"
                 "\"SafeDllSearchMode\"=dword:00000000\n@=\"default\"\n\n"
                 "[System\\\\ControlSet002\\\\Control\\\\Session Manager\\\\Environment] 1\n"
                 "\"PATH\"=str(2):\"%SystemRoot%\\\\system32;C:\\\\Tools \\\"x\\\"\"\n"
                 "\"Wide\"=hex(2):25,00,53,00,79,00,73,00,\\\n  74,00,65,00,6d,00,52,00,6f,00,6f,00,74,00,25,00,00,00\n"
                 "\"Escaped\"=\"a\\x00e9b\\tc\"\r\n"
                 "\"Unterminated\"=\"no end\n");
    const auto registry = loader::OpenWineRegistryFile(tree.PathOf("system.reg"));
    ASSERT_TRUE(registry);
    const std::vector<RegistryValue> manager = registry->Values("Control\\Session Manager");
    const RegistryValue* safe = FindValue(manager, "safedllsearchmode");
    ASSERT_TRUE(safe);
    EXPECT_EQ(safe->kind, RegistryValue::Kind::Number);
    EXPECT_EQ(safe->number, 0u);

    const std::vector<RegistryValue> environment = registry->Values("CONTROL\\Session Manager\\Environment");
    const RegistryValue* path = FindValue(environment, "Path");
    ASSERT_TRUE(path);
    EXPECT_EQ(path->kind, RegistryValue::Kind::ExpandText);
    EXPECT_EQ(path->text, "%SystemRoot%\\system32;C:\\Tools \"x\"");
    ASSERT_TRUE(FindValue(environment, "Wide"));
    EXPECT_EQ(FindValue(environment, "Wide")->text, "%SystemRoot%");
    ASSERT_TRUE(FindValue(environment, "Escaped"));
    EXPECT_EQ(FindValue(environment, "Escaped")->text,
              "a\xC3\xA9"
              "b\tc");
    EXPECT_FALSE(FindValue(environment, "Unterminated"));
    EXPECT_TRUE(registry->Values("Control\\Absent").empty());

    tree.AddFile("other.reg", "REGEDIT4\n[System\\\\Select]\n");
    EXPECT_FALSE(loader::OpenWineRegistryFile(tree.PathOf("other.reg")));
    EXPECT_FALSE(loader::OpenWineRegistryFile(tree.PathOf("absent.reg")));
}

#ifndef _WIN32
// An empty hive as the registry's file format lays it out: the base block,
// one 4 KiB bin holding the root key and its security descriptor, the rest
// of the bin one free cell. libhivex then adds the keys and values.
std::vector<std::uint8_t> EmptyHive()
{
    using loader_test::PutU32;
    std::vector<std::uint8_t> hive(0x2000, 0);
    auto put16 = [&](std::size_t at, std::uint16_t value) {
        hive[at] = static_cast<std::uint8_t>(value);
        hive[at + 1] = static_cast<std::uint8_t>(value >> 8);
    };
    std::memcpy(&hive[0], "regf", 4);
    PutU32(hive, 4, 1);  // sequence numbers, equal: the hive is consistent
    PutU32(hive, 8, 1);
    PutU32(hive, 20, 1);     // major version
    PutU32(hive, 24, 3);     // minor version
    PutU32(hive, 32, 1);     // format: direct memory load
    PutU32(hive, 36, 0x20);  // root key cell, from the first bin
    PutU32(hive, 40, 0x1000);
    PutU32(hive, 44, 1);
    std::uint32_t checksum = 0;
    for (std::size_t at = 0; at < 0x1FC; at += 4)
        checksum ^= hive[at] | hive[at + 1] << 8 | hive[at + 2] << 16 | static_cast<std::uint32_t>(hive[at + 3]) << 24;
    PutU32(hive, 0x1FC, checksum);

    const std::size_t bin = 0x1000;
    std::memcpy(&hive[bin], "hbin", 4);
    PutU32(hive, bin + 8, 0x1000);
    // The root key: nk, flags hive entry | no delete | compressed name.
    const std::size_t nk = bin + 0x20;
    PutU32(hive, nk, static_cast<std::uint32_t>(-0x60));
    std::memcpy(&hive[nk + 4], "nk", 2);
    put16(nk + 6, 0x2C);
    PutU32(hive, nk + 4 + 0x10, 0xFFFFFFFFu);  // parent
    PutU32(hive, nk + 4 + 0x1C, 0xFFFFFFFFu);  // sub-key list
    PutU32(hive, nk + 4 + 0x20, 0xFFFFFFFFu);  // volatile sub-key list
    PutU32(hive, nk + 4 + 0x28, 0xFFFFFFFFu);  // value list
    PutU32(hive, nk + 4 + 0x2C, 0x80);         // security
    PutU32(hive, nk + 4 + 0x30, 0xFFFFFFFFu);  // class name
    put16(nk + 4 + 0x48, 4);
    std::memcpy(&hive[nk + 4 + 0x4C], "ROOT", 4);
    // The security descriptor: sk, links to itself, one reference.
    const std::size_t sk = bin + 0x80;
    PutU32(hive, sk, static_cast<std::uint32_t>(-0x28));
    std::memcpy(&hive[sk + 4], "sk", 2);
    PutU32(hive, sk + 8, 0x80);
    PutU32(hive, sk + 12, 0x80);
    PutU32(hive, sk + 16, 1);
    PutU32(hive, sk + 20, 20);
    hive[sk + 24] = 1;                        // revision
    put16(sk + 26, 0x8004);                   // self-relative, DACL present (null DACL)
    PutU32(hive, bin + 0xA8, 0x1000 - 0xA8);  // the free rest
    return hive;
}

void SetString(hive_h* hive, hive_node_h node, const char* name, const std::string& text, hive_type type)
{
    std::string value;
    for (const char c : text) value += std::string{c, '\0'};
    value += std::string(2, '\0');
    hive_set_value entry{const_cast<char*>(name), type, value.size(), value.data()};
    ASSERT_EQ(hivex_node_set_value(hive, node, &entry, 0), 0);
}

TEST(RegistryTest, SystemHiveGivesTheCurrentControlSetsValues)
{
    TempTree tree;
    tree.AddFile("SYSTEM", EmptyHive());
    const std::string path = tree.PathOf("SYSTEM");
    hive_h* hive = hivex_open(path.c_str(), HIVEX_OPEN_WRITE);
    ASSERT_TRUE(hive) << "libhivex does not take the empty hive: " << std::strerror(errno);
    const hive_node_h root = hivex_root(hive);
    const hive_node_h select = hivex_node_add_child(hive, root, "Select");
    char current[4] = {2, 0, 0, 0};
    hive_set_value currentValue{const_cast<char*>("Current"), hive_t_REG_DWORD, 4, current};
    ASSERT_EQ(hivex_node_set_value(hive, select, &currentValue, 0), 0);
    for (const char* set : {"ControlSet001", "ControlSet002"}) {
        const hive_node_h control = hivex_node_add_child(hive, hivex_node_add_child(hive, root, set), "Control");
        const hive_node_h manager = hivex_node_add_child(hive, control, "Session Manager");
        const hive_node_h known = hivex_node_add_child(hive, manager, "KnownDLLs");
        SetString(hive, known, "kernel32", std::string(set) == "ControlSet002" ? "kernel32.dll" : "old.dll",
                  hive_t_REG_SZ);
        SetString(hive, known, "DllDirectory", "%SystemRoot%\\system32", hive_t_REG_EXPAND_SZ);
    }
    ASSERT_EQ(hivex_commit(hive, nullptr, 0), 0);
    hivex_close(hive);

    const auto registry = loader::OpenSystemHive(path);
    ASSERT_TRUE(registry);
    const std::vector<RegistryValue> known = registry->Values("Control\\Session Manager\\KnownDLLs");
    ASSERT_EQ(known.size(), 2u);
    ASSERT_TRUE(FindValue(known, "KERNEL32"));
    EXPECT_EQ(FindValue(known, "KERNEL32")->text, "kernel32.dll");
    EXPECT_EQ(FindValue(known, "DllDirectory")->kind, RegistryValue::Kind::ExpandText);
    EXPECT_TRUE(registry->Values("Control\\Absent").empty());

    tree.AddFile("garbage", std::string(8192, 'x'));
    EXPECT_FALSE(loader::OpenSystemHive(tree.PathOf("garbage")));
}
#endif

}  // namespace
