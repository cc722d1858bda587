#include <gtest/gtest.h>

#include "PeBuilder.h"
#include "SchemaBuilder.h"
#include "loader/ApiSetSchema.h"

namespace {

using loader::ApiSetSchema;
using loader_test::BuildSchema;

const std::vector<loader_test::ContractSpec> kContracts = {
    {"api-ms-win-core-synch-l1-2-0", {{"", "kernelbase.dll"}, {"kernel32.dll", "kernel32legacy.dll"}}},
    {"api-ms-win-core-empty-l1-1-0", {{"", ""}}},
    {"ext-ms-win-gdi-draw-l1-1-0", {{"", ""}}},
    {"ext-ms-win-ole32-bindctx-l1-1-0", {{"", "ole32.dll"}}},
};

ApiSetSchema Parse(const std::vector<std::uint8_t>& bytes)
{
    return ApiSetSchema::Parse(bytes.data(), bytes.size());
}

TEST(ApiSetSchemaTest, EachVersionGivesTheHostAndTheImportersException)
{
    for (const std::uint32_t version : {2u, 4u, 6u}) {
        SCOPED_TRACE(version);
        const ApiSetSchema schema = Parse(BuildSchema(version, kContracts));
        ASSERT_EQ(schema.Version(), version);
        EXPECT_EQ(schema.ContractCount(), kContracts.size());

        const auto plain = schema.Resolve("API-MS-Win-Core-Synch-L1-2-0.dll", "app.exe");
        EXPECT_TRUE(plain.known);
        EXPECT_EQ(plain.host, "kernelbase.dll");
        EXPECT_EQ(schema.Resolve("api-ms-win-core-synch-l1-2-0", "KERNEL32.DLL").host, "kernel32legacy.dll");
        EXPECT_EQ(schema.Resolve("ext-ms-win-ole32-bindctx-l1-1-0.dll", "x.dll").host, "ole32.dll");

        const auto empty = schema.Resolve("api-ms-win-core-empty-l1-1-0.dll", "app.exe");
        EXPECT_TRUE(empty.known);
        EXPECT_EQ(empty.host, "");
        EXPECT_FALSE(schema.Resolve("api-ms-win-core-absent-l1-1-0.dll", "app.exe").known);
        EXPECT_FALSE(schema.Resolve("kernel32.dll", "app.exe").known);
    }
}

TEST(ApiSetSchemaTest, VersionSixIgnoresTheContractsMinorVersion)
{
    const ApiSetSchema v6 = Parse(BuildSchema(6, kContracts));
    EXPECT_EQ(v6.Resolve("api-ms-win-core-synch-l1-2-1.dll", "app.exe").host, "kernelbase.dll");
    // Older schemas name every version of a contract on its own.
    EXPECT_FALSE(Parse(BuildSchema(4, kContracts)).Resolve("api-ms-win-core-synch-l1-2-1.dll", "app.exe").known);
}

TEST(ApiSetSchemaTest, DamagedSchemasGiveNoContractsAndReadNothingOutside)
{
    for (const std::uint32_t version : {2u, 4u, 6u}) {
        SCOPED_TRACE(version);
        const std::vector<std::uint8_t> good = BuildSchema(version, kContracts);
        // Cut at every length: each read is bounded by the bytes there are.
        for (std::size_t size = 0; size < good.size(); ++size) {
            const std::vector<std::uint8_t> cut(good.begin(), good.begin() + static_cast<long>(size));
            const ApiSetSchema schema = Parse(cut);
            EXPECT_LE(schema.ContractCount(), kContracts.size());
        }
        // Every 32-bit field set to a huge value in turn.
        for (std::size_t at = 4; at + 4 <= good.size(); at += 4) {
            std::vector<std::uint8_t> bad = good;
            loader_test::PutU32(bad, at, 0xFFFFFFF0u);
            Parse(bad).Resolve("api-ms-win-core-synch-l1-2-0.dll", "a.exe");
        }
    }
    EXPECT_EQ(Parse({}).Version(), 0u);
    EXPECT_EQ(Parse(BuildSchema(3, kContracts)).Version(), 0u);
}

}  // namespace
