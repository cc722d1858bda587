#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "HeaderBytes.h"
#include "TakenRows.h"
#include "TempTree.h"

namespace {

class ScanStateTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        tree.AddFile("m16.dll", HeaderBytes(64).RelocationTable(28).bytes);
        tree.AddFile("m32.dll", HeaderBytes(256).RelocationTable(64).NewHeaderAt(128).PeMagic(128, 0x10B).bytes);
        tree.AddFile("m64.dll", HeaderBytes(256).RelocationTable(64).NewHeaderAt(128).PeMagic(128, 0x20B).bytes);
        tree.AddFile("unknown.dll", HeaderBytes(256).RelocationTable(64).NewHeaderAt(128).bytes);
    }

    // One row per file that passes the filter, in the order given.
    std::vector<int> BitsOfRows(CScanEngine& engine)
    {
        for (const char* name : {"m16.dll", "m32.dll", "m64.dll", "unknown.dll", "missing.dll"}) {
            engine.AddResult(tree.PathOf(name).c_str(), "", "p", "f", "");
        }
        std::vector<int> bits;
        for (const TakenRow& row : TakeRows(engine)) bits.push_back(row.bits);
        return bits;
    }

    TempTree tree;
};

TEST_F(ScanStateTest, TheBitnessFilterKeepsOnlyTheChosenClasses)
{
    CScanEngine defaults;
    EXPECT_EQ(BitsOfRows(defaults), (std::vector<int>{32, 64}));

    CScanEngine all;
    all.m_include16Bit = all.m_includeUnknownBits = 1;
    EXPECT_EQ(BitsOfRows(all), (std::vector<int>{16, 32, 64, 0, 0}));

    CScanEngine unknownOnly;
    unknownOnly.m_include32Bit = unknownOnly.m_include64Bit = 0;
    unknownOnly.m_includeUnknownBits = 1;
    EXPECT_EQ(BitsOfRows(unknownOnly), (std::vector<int>{0, 0}));

    CScanEngine none;
    none.m_include32Bit = none.m_include64Bit = 0;
    EXPECT_TRUE(BitsOfRows(none).empty());
    // A row without a path is neither probed nor filtered.
    none.AddResult(nullptr, nullptr, "OS Version", "6.01", nullptr);
    const std::vector<TakenRow> rows = TakeRows(none);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].productVersion, "OS Version");
    EXPECT_EQ(rows[0].fileVersion, "6.01");
    EXPECT_EQ(rows[0].fileName + rows[0].company + rows[0].date, "");
    EXPECT_EQ(rows[0].bits, 0);
}

// Records still pending when the state goes are freed with it (the leak
// checker of the sanitizer build sees any that are not).
TEST_F(ScanStateTest, PendingRecordsDieWithTheState)
{
    CScanEngine engine;
    engine.AddResult(nullptr, nullptr, "label", "value", nullptr);
    engine.AddResult(nullptr, nullptr, "label", "value", nullptr);
    EXPECT_EQ(engine.m_pendingResults.GetSize(), 2);
}

}  // namespace
