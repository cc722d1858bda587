#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "PeBuilder.h"
#include "TempTree.h"
#include "engine/ModuleImports.h"

namespace {

using loader_test::BuildPe;
using loader_test::PeRecipe;

ModuleImports ReadBytes(const loader_test::Bytes& bytes, const ImportReadLimits& limits = {})
{
    // A new file each time: rewriting one in place costs far more on some file systems.
    static const TempTree tree;
    static int count = 0;
    const std::string name = "m" + std::to_string(count++) + ".dll";
    tree.AddFile(name, bytes);
    const platform::ModuleFile file(tree.PathOf(name).c_str(), platform::FileSharing::Readers);
    return ReadModuleImports(file, limits);
}

PeRecipe EveryTable(std::uint16_t machine)
{
    PeRecipe recipe;
    recipe.machine = machine;
    recipe.imports = {{"KERNEL32.dll", {"Sleep", "ExitProcess"}, {7}}, {"user32.dll", {"MessageBoxA"}, {}}};
    recipe.delayImports = {{"late.dll", {"LateFunction"}, {}}};
    recipe.exports = {{"Plain", ""}, {"HeapAlloc", "NTDLL.RtlAllocateHeap"}, {"Chained", "api-ms-win-x-l1-1-0.#12"}};
    recipe.manifest = "<assembly/>";
    return recipe;
}

TEST(ModuleImportsTest, ReadsEveryTableOfPe32AndPe32Plus)
{
    for (const std::uint16_t machine : {std::uint16_t{0x014C}, std::uint16_t{0x8664}}) {
        SCOPED_TRACE(machine);
        const ModuleImports facts = ReadBytes(BuildPe(EveryTable(machine)).bytes);
        ASSERT_EQ(facts.result, ImportReadResult::Read);
        EXPECT_EQ(facts.machine, machine);
        EXPECT_TRUE(facts.isDll);
        EXPECT_FALSE(facts.truncated);
        ASSERT_EQ(facts.imports.size(), 2u);
        EXPECT_EQ(facts.imports[0].name, "KERNEL32.dll");
        EXPECT_EQ(facts.imports[0].functions, (std::vector<std::string>{"Sleep", "ExitProcess"}));
        EXPECT_EQ(facts.imports[0].ordinals, std::vector<std::uint16_t>{7});
        EXPECT_EQ(facts.imports[1].name, "user32.dll");
        ASSERT_EQ(facts.delayImports.size(), 1u);
        EXPECT_EQ(facts.delayImports[0].name, "late.dll");
        EXPECT_EQ(facts.delayImports[0].functions, std::vector<std::string>{"LateFunction"});
        ASSERT_EQ(facts.forwarders.size(), 2u);
        EXPECT_EQ(facts.forwarders[0].exportName, "HeapAlloc");
        EXPECT_EQ(facts.forwarders[0].ordinal, 2);
        EXPECT_EQ(facts.forwarders[0].target, "NTDLL.RtlAllocateHeap");
        EXPECT_EQ(facts.forwarders[1].target, "api-ms-win-x-l1-1-0.#12");
        EXPECT_EQ(facts.manifest, "<assembly/>");
        EXPECT_FALSE(facts.wineBuiltin);
    }
    EXPECT_EQ(ForwardedModuleName("NTDLL.RtlAllocateHeap"), "NTDLL.dll");
    EXPECT_EQ(ForwardedModuleName("api-ms-win-x-l1-1-0.#12"), "api-ms-win-x-l1-1-0.dll");
    EXPECT_EQ(ForwardedModuleName("NoDot"), "");
}

TEST(ModuleImportsTest, ReadsTheTablesMinGwWrites)
{
    const std::string fixtures = MODARIS_LOAD_FIXTURE_DIR;
    auto read = [](const std::string& path) {
        const platform::ModuleFile file(path.c_str(), platform::FileSharing::Readers);
        return ReadModuleImports(file);
    };
    const ModuleImports app = read(fixtures + "/app/oracle_app.exe");
    ASSERT_EQ(app.result, ImportReadResult::Read);
    EXPECT_FALSE(app.isDll);
    ASSERT_EQ(app.delayImports.size(), 1u);
    EXPECT_EQ(app.delayImports[0].name, "delayed.dll");
    EXPECT_EQ(app.delayImports[0].functions, std::vector<std::string>{"delayed_value"});
    const auto api = std::find_if(app.imports.begin(), app.imports.end(),
                                  [](const ImportedModule& m) { return m.name == "api-ms-win-core-synch-l1-2-0.dll"; });
    ASSERT_NE(api, app.imports.end());
    EXPECT_EQ(api->functions, std::vector<std::string>{"Sleep"});

    const ModuleImports forwarding = read(fixtures + "/app/fwd1.dll");
    ASSERT_EQ(forwarding.forwarders.size(), 1u);
    EXPECT_EQ(forwarding.forwarders[0].target, "fwd2.forwarded_value");
    EXPECT_NE(read(fixtures + "/app/sxsuser.dll").manifest.find("Microsoft.Windows.Common-Controls"),
              std::string::npos);
    EXPECT_EQ(read(fixtures + "/wrongdir/pathonly.dll").machine, 0x014C);
}

TEST(ModuleImportsTest, HostileTablesEndInsideTheFile)
{
    const PeRecipe recipe = EveryTable(0x8664);
    const loader_test::PeLayout good = BuildPe(recipe);

    // Directories pointing past the file, into the headers' end, at the last byte.
    for (const std::uint32_t rva : {0x7FFFFFF0u, 0xFFFFFFFFu, 0x3FFu, 0x1000u + 0x1FFu}) {
        for (const std::uint32_t directory : {0u, 1u, 2u, 13u}) {
            loader_test::Bytes bytes = good.bytes;
            loader_test::PutU32(bytes, loader_test::DirectoryField(good, directory), rva);
            const ModuleImports facts = ReadBytes(bytes);
            EXPECT_EQ(facts.result, ImportReadResult::Read);
        }
    }
    // A DLL name running to the end of the file without its NUL.
    {
        loader_test::Bytes bytes = good.bytes;
        std::fill(bytes.end() - 16, bytes.end(), 'A');
        const std::uint32_t lastRva = good.dataRva + static_cast<std::uint32_t>(bytes.size() - good.dataOffset - 16);
        const std::uint32_t imports = good.dataRva;  // the import directory comes first
        loader_test::PutU32(bytes, good.dataOffset + (imports - good.dataRva) + 12, lastRva);
        const ModuleImports facts = ReadBytes(bytes);
        EXPECT_TRUE(facts.truncated);
        ASSERT_EQ(facts.imports.size(), 1u);
        EXPECT_EQ(facts.imports[0].name, "user32.dll");
    }
    // Counts from the file far beyond it: capped before anything is allocated.
    {
        loader_test::Bytes bytes = good.bytes;
        const std::uint32_t exports = loader_test::DirectoryField(good, 0);
        const std::uint32_t exportRva = bytes[exports] | (bytes[exports + 1] << 8);
        loader_test::PutU32(bytes, good.dataOffset + (exportRva - good.dataRva) + 20, 0xFFFFFFFFu);
        loader_test::PutU32(bytes, good.dataOffset + (exportRva - good.dataRva) + 24, 0xFFFFFFFFu);
        EXPECT_TRUE(ReadBytes(bytes).truncated);
    }
    // Every prefix of the file, and thousands of single-byte changes.
    for (std::size_t size = 0; size < good.bytes.size(); size += 7) {
        const loader_test::Bytes cut(good.bytes.begin(), good.bytes.begin() + static_cast<long>(size));
        ReadBytes(cut);
    }
    std::mt19937 random(20261209);
    for (int round = 0; round < 1000; ++round) {
        loader_test::Bytes bytes = good.bytes;
        for (int change = 0; change < 4; ++change) bytes[random() % bytes.size()] = static_cast<std::uint8_t>(random());
        const ModuleImports facts = ReadBytes(bytes);
        EXPECT_LE(facts.imports.size(), recipe.imports.size() + 16384u);
    }
}

TEST(ModuleImportsTest, TenThousandImportsAndLimits)
{
    PeRecipe recipe;
    for (int index = 0; index < 10000; ++index)
        recipe.imports.push_back({"m" + std::to_string(index) + ".dll", {"f"}, {}});
    const loader_test::PeLayout image = BuildPe(recipe);
    const ModuleImports all = ReadBytes(image.bytes);
    ASSERT_EQ(all.imports.size(), 10000u);
    EXPECT_EQ(all.imports[9999].name, "m9999.dll");
    EXPECT_FALSE(all.truncated);

    ImportReadLimits limits;
    limits.maxModulesPerTable = 100;
    const ModuleImports capped = ReadBytes(image.bytes, limits);
    EXPECT_EQ(capped.imports.size(), 100u);
    EXPECT_TRUE(capped.truncated);
}

TEST(ModuleImportsTest, WhatIsNoModule)
{
    EXPECT_EQ(ReadBytes({'M', 'Z'}).result, ImportReadResult::NotAModule);
    EXPECT_EQ(ReadBytes(loader_test::Bytes(4096, 'x')).result, ImportReadResult::NotAModule);
    const platform::ModuleFile missing("/nonexistent/m.dll", platform::FileSharing::Readers);
    EXPECT_EQ(ReadModuleImports(missing).result, ImportReadResult::NotFound);

    loader_test::Bytes marked = BuildPe(PeRecipe{}).bytes;
    const std::string marker = "Wine placeholder DLL";
    std::copy(marker.begin(), marker.end() + 1, marked.begin() + 64);
    EXPECT_TRUE(ReadBytes(marked).wineBuiltin);
}

}  // namespace
