#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "HeaderBytes.h"
#include "TempTree.h"
#include "engine/ScanEngine.h"

namespace {

struct Row {
    std::string fileName, company, productVersion, fileVersion, date;
    int bits;
};

std::vector<Row> TakeRows(CScanEngine& engine)
{
    CTypedPtrArray<CPtrArray, dllVersionInfo*> taken;
    engine.TakePendingResults(taken);
    std::vector<Row> rows;
    for (int i = 0; i < taken.GetSize(); ++i) {
        dllVersionInfo* r = taken[i];
        rows.push_back({r->GetFileName(), r->GetCompany(), r->GetProductVersion(), r->GetFileVersion(),
                        r->GetDate(), r->GetBits()});
        delete r;
    }
    return rows;
}

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
        for (const Row& row : TakeRows(engine)) bits.push_back(row.bits);
        return bits;
    }

    TempTree tree;
};

TEST_F(ScanStateTest, StartsWithTheDefaults)
{
    CScanEngine engine;
    EXPECT_EQ(engine.m_scanSubdirectories, 1);
    EXPECT_EQ(engine.m_searchAllDrives, 0);
    EXPECT_EQ(engine.m_scanRunning + engine.m_keepScanning + engine.m_progressChanged + engine.m_foundCount, 0);
    EXPECT_EQ(engine.m_include16Bit, 0);
    EXPECT_EQ(engine.m_include32Bit, 1);
    EXPECT_EQ(engine.m_include64Bit, 1);
    EXPECT_EQ(engine.m_includeUnknownBits, 0);
    EXPECT_EQ(engine.m_autoClear, 1);
    EXPECT_EQ(engine.m_ignoreRedirection + engine.m_includeSystemInfo, 0);
    EXPECT_EQ(engine.m_keepMostRecentVisible, 1);
    EXPECT_TRUE(engine.m_currentDirectory.IsEmpty());
    EXPECT_EQ(engine.m_pendingResults.GetSize(), 0);
}

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
    const std::vector<Row> rows = TakeRows(none);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].productVersion, "OS Version");
    EXPECT_EQ(rows[0].fileVersion, "6.01");
    EXPECT_EQ(rows[0].fileName + rows[0].company + rows[0].date, "");
    EXPECT_EQ(rows[0].bits, 0);
}

TEST_F(ScanStateTest, ARowCarriesItsTextsInOrder)
{
    CScanEngine engine;
    const std::string path = tree.PathOf("m64.dll");
    engine.AddResult(path.c_str(), "Company", "1.000000.0.000000", "2.000000.0.000000", "07/12/2026  09:05");
    const std::vector<Row> rows = TakeRows(engine);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].fileName, path);
    EXPECT_EQ(rows[0].company, "Company");
    EXPECT_EQ(rows[0].productVersion, "1.000000.0.000000");
    EXPECT_EQ(rows[0].fileVersion, "2.000000.0.000000");
    EXPECT_EQ(rows[0].date, "07/12/2026  09:05");
    EXPECT_EQ(rows[0].bits, 64);
}

TEST_F(ScanStateTest, ProgressIsPublishedEvenWhenEmpty)
{
    CScanEngine engine;
    engine.SetProgressDirectory("somewhere");
    EXPECT_EQ(std::string(engine.m_currentDirectory), "somewhere");
    EXPECT_EQ(engine.m_progressChanged, 1);
    for (const char* text : {static_cast<const char*>(nullptr), ""}) {
        engine.m_progressChanged = 0;
        engine.SetProgressDirectory(text);
        EXPECT_TRUE(engine.m_currentDirectory.IsEmpty());
        EXPECT_EQ(engine.m_progressChanged, 1);
    }
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
