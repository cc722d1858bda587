#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "TakenRows.h"
#include "OsVersionProbeTesting.h"

#ifndef _WIN32
#include "HeaderBytes.h"
#include "TempTree.h"
#include "injected_facts/platform_facts.h"
#endif

namespace {

std::vector<TakenRow> SystemRows(CScanEngine& engine)
{
    engine.AddOsVersionRows();
    engine.AddProcessorRows();
    const std::vector<TakenRow> rows = TakeRows(engine);
    for (const TakenRow& row : rows) EXPECT_EQ(row.company + row.date, "");
    return rows;
}

bool IsNumber(const std::string& text)
{
    return !text.empty() && text.find_first_not_of("0123456789") == std::string::npos;
}

// On any platform: the OS rows, the count, then speed, identifier and vendor
// for each processor counted, without bitness.
TEST(SystemInfoRows, HaveTheirShapeOnThisPlatform)
{
    ResetOsVersionProbe();
    CScanEngine engine;
    engine.m_includeUnknownBits = 1;
    const std::vector<TakenRow> rows = SystemRows(engine);
    ASSERT_GE(rows.size(), 8u);
    EXPECT_EQ(rows[0].productVersion, "OS Version");
    EXPECT_EQ(rows[0].fileVersion.find('.'), rows[0].fileVersion.size() - 3);
    EXPECT_EQ(rows[1].productVersion, "Build Number");
    EXPECT_TRUE(IsNumber(rows[1].fileVersion));
    EXPECT_EQ(rows[2].productVersion, "Platform Id");
    EXPECT_EQ(rows[2].fileVersion, "2");
    EXPECT_EQ(rows[3].productVersion, "Service Pack");
    EXPECT_EQ(rows[4].productVersion, "Num Processors");
    const std::size_t count = std::strtoul(rows[4].fileVersion.c_str(), nullptr, 10);
    ASSERT_EQ(rows.size(), 5 + 3 * count);
    for (std::size_t i = 0; i < count; ++i) {
        const std::string label = "Processor " + std::to_string(i);
        const TakenRow* processor = &rows[5 + 3 * i];
        for (int r = 0; r < 3; ++r) EXPECT_EQ(processor[r].productVersion, label);
        EXPECT_EQ(processor[0].fileVersion.rfind("Speed: ", 0), 0u);
        EXPECT_EQ(processor[0].fileVersion.substr(processor[0].fileVersion.size() - 4), " MHz");
        EXPECT_EQ(processor[1].fileVersion, "Identifier");
        EXPECT_NE(processor[1].fileName.find(" Family "), std::string::npos);
        EXPECT_EQ(processor[2].fileVersion, "Vendor");
        EXPECT_FALSE(processor[2].fileName.empty());
    }
    for (const TakenRow& row : rows) EXPECT_EQ(row.bits, 0);
}

#ifndef _WIN32

using platform_facts::NumberValue;
using platform_facts::Overrides;
using platform_facts::RegistryValue;
using platform_facts::RegistryValues;
using platform_facts::TextValue;

const char kIdentifier[] = "Intel64 Family 6 Model 158 Stepping 10";

RegistryValues Processor(DWORD mhz)
{
    return {{"~MHz", NumberValue(mhz)},
            {"Identifier", TextValue(kIdentifier)},
            {"VendorIdentifier", TextValue("GenuineIntel")}};
}

// A two-processor machine with Windows 7's answers.
Overrides TwoProcessors()
{
    Overrides overrides;
    overrides.osVersion = platform_facts::OsVersion{6, 1, 7601, 2, "Service Pack 1"};
    overrides.processorCount = 2;
    overrides.processorRegistry = platform_facts::ProcessorRegistry{true, {{0, Processor(2400)}, {1, Processor(2401)}}};
    return overrides;
}

// "label|value|file name" per row, with the bitness when it is not 0.
std::vector<std::string> Lines(const std::vector<TakenRow>& rows)
{
    std::vector<std::string> lines;
    for (const TakenRow& row : rows) {
        lines.push_back(row.productVersion + "|" + row.fileVersion + "|" + row.fileName +
                        (row.bits ? "|" + std::to_string(row.bits) : ""));
    }
    return lines;
}

std::vector<std::string> RowsWith(const Overrides& overrides, int includeUnknownBits)
{
    platform_facts::ScopedOverrides scoped(overrides);
    ResetOsVersionProbe();
    CScanEngine engine;
    engine.m_includeUnknownBits = includeUnknownBits;
    return Lines(SystemRows(engine));
}

const std::vector<std::string> kOsRows = {"OS Version|6.01|", "Build Number|7601|", "Platform Id|2|",
                                          "Service Pack|Service Pack 1|", "Num Processors|2|"};

std::vector<std::string> With(std::vector<std::string> head, const std::vector<std::string>& tail)
{
    head.insert(head.end(), tail.begin(), tail.end());
    return head;
}

std::vector<std::string> AllRowsOf(int processor, DWORD mhz)
{
    const std::string label = "Processor " + std::to_string(processor);
    return {label + "|Speed: " + std::to_string(mhz) + " MHz|", label + "|Identifier|" + kIdentifier,
            label + "|Vendor|GenuineIntel"};
}

TEST(SystemInfoRows, ByDefaultEachProcessorShowsOnlyItsSpeed)
{
    EXPECT_EQ(RowsWith(TwoProcessors(), 0),
              With(kOsRows, {"Processor 0|Speed: 2400 MHz|", "Processor 1|Speed: 2401 MHz|"}));
}

TEST(SystemInfoRows, UnknownBitnessAddsIdentifierAndVendor)
{
    EXPECT_EQ(RowsWith(TwoProcessors(), 1), With(With(kOsRows, AllRowsOf(0, 2400)), AllRowsOf(1, 2401)));
}

TEST(SystemInfoRows, AFileNamedLikeTheIdentifierDecidesByItsBitness)
{
    TempTree tree;
    tree.AddFile(kIdentifier, HeaderBytes(256).RelocationTable(64).NewHeaderAt(128).PeMagic(128, 0x20B).bytes);
    const std::filesystem::path previous = std::filesystem::current_path();
    std::filesystem::current_path(tree.Root());
    const std::vector<std::string> rows = RowsWith(TwoProcessors(), 0);
    std::filesystem::current_path(previous);
    EXPECT_EQ(
        rows,
        With(kOsRows, {"Processor 0|Speed: 2400 MHz|", std::string("Processor 0|Identifier|") + kIdentifier + "|64",
                       "Processor 1|Speed: 2401 MHz|", std::string("Processor 1|Identifier|") + kIdentifier + "|64"}));
}

TEST(SystemInfoRows, FollowTheKeysThatExistAndTheCount)
{
    Overrides firstMissing = TwoProcessors();
    firstMissing.processorRegistry->keys.erase(0);
    EXPECT_EQ(RowsWith(firstMissing, 1), With(kOsRows, AllRowsOf(1, 2401)));

    Overrides moreCounted = TwoProcessors();
    moreCounted.processorCount = 3;
    const std::vector<std::string> three = RowsWith(moreCounted, 1);
    EXPECT_EQ(std::vector<std::string>(three.begin() + 5, three.end()), With(AllRowsOf(0, 2400), AllRowsOf(1, 2401)));

    Overrides fewerCounted = TwoProcessors();
    fewerCounted.processorCount = 1;
    const std::vector<std::string> one = RowsWith(fewerCounted, 1);
    EXPECT_EQ(std::vector<std::string>(one.begin() + 5, one.end()), AllRowsOf(0, 2400));

    Overrides noProcessorKey = TwoProcessors();
    noProcessorKey.processorRegistry->centralProcessorExists = false;
    EXPECT_EQ(RowsWith(noProcessorKey, 1), kOsRows);
}

TEST(SystemInfoRows, UnreadableValuesGiveSpeed0AndEmptyTexts)
{
    const std::string thousand(1000, 'A');
    struct Case {
        RegistryValues values;
        std::vector<std::string> rows;
    } cases[] = {
        {{}, {"Processor 0|Speed: 0 MHz|", "Processor 0|Identifier|", "Processor 0|Vendor|"}},
        {{{"~MHz", TextValue("24")}, {"Identifier", NumberValue(7)}, {"VendorIdentifier", TextValue(thousand)}},
         {"Processor 0|Speed: 0 MHz|", "Processor 0|Identifier|", "Processor 0|Vendor|"}},
        // Texts without a terminator end with their data.
        {{{"~mhz", NumberValue(3000)},
          {"IDENTIFIER", RegistryValue{REG_SZ, thousand}},
          {"VendorIdentifier", RegistryValue{REG_SZ, std::string("Genuine\0Intel", 13)}}},
         {"Processor 0|Speed: 3000 MHz|", "Processor 0|Identifier|" + thousand, "Processor 0|Vendor|Genuine"}},
        {{{"Identifier", RegistryValue{REG_SZ, "x86"}}, {"VendorIdentifier", RegistryValue{REG_SZ, "AuthenticAMD"}}},
         {"Processor 0|Speed: 0 MHz|", "Processor 0|Identifier|x86", "Processor 0|Vendor|AuthenticAMD"}},
    };
    for (const Case& c : cases) {
        Overrides overrides = TwoProcessors();
        overrides.processorCount = 1;
        overrides.processorRegistry->keys = {{0, c.values}};
        const std::vector<std::string> rows = RowsWith(overrides, 1);
        EXPECT_EQ(std::vector<std::string>(rows.begin() + 5, rows.end()), c.rows);
    }
}

#endif

}  // namespace
