// File and directory names that are not valid UTF-8 or that hold tabs, line
// breaks, quotes and commas. tsv keeps them as they are; csv and jsonl must
// quote and escape them so that every row reads back whole.
#include <gtest/gtest.h>

#include <set>

#include "HostileSupport.h"
#include "ScannerRun.h"
#include "TempTree.h"

namespace {

const char* const kHostileNames[] = {
    "tab\tname.dll",
    "new\nline.dll",
    "cr\rname.dll",
    "crlf\r\nname.dll",
    "quote\"name.dll",
    "\"quoted\".dll",
    "comma,name.dll",
    "back\\slash.dll",
    " leading space.dll",
    "bad\xff" "name.dll",              // a byte that starts nothing
    "overlong\xc0\xaf" "slash.dll",    // an overlong '/'
    "lone\x80" "continuation.dll",
    "surrogate\xed\xa0\x80" "half.dll",  // UTF-16 surrogates are not UTF-8
    "cut\xe2\x82.dll",                // a sequence cut short
    "del\x7f" "control\x01.dll",
    "valid-\xc3\xbcnic\xc3\xb8" "de-\xf0\x9f\x98\x80.dll",
    "dir\xfe\nwith\tall/in,side\x80.dll",
};

class HostileNames : public ::testing::Test {
protected:
    void SetUp() override
    {
        const Bytes module = FixtureBytes(kModule32);
        for (const char* name : kHostileNames) {
            tree.AddFile(name, module);
            paths.insert(tree.PathOf(name));
        }
    }

    ScannerRun Scan(const char* format) const
    {
        const ScannerRun run = RunScanner({"-q", "-d", tree.Root(), "--format", format}, 120);
        EXPECT_FALSE(run.hung);
        EXPECT_EQ(run.exitCode, 0) << run.err;
        return run;
    }

    // Every row is the module's, and names every path once.
    void ExpectEveryPathOnce(const std::vector<Cells>& rows) const
    {
        ASSERT_EQ(rows.size(), paths.size());
        std::set<std::string> read;
        for (const Cells& row : rows) {
            EXPECT_TRUE(IsRowOf(row, kModule32)) << (row.empty() ? "" : row.back());
            if (row.size() == 6) read.insert(row[5]);
        }
        EXPECT_EQ(read, paths);
    }

    TempTree tree;
    std::set<std::string> paths;
};

TEST_F(HostileNames, TsvKeepsEveryNameAsItIs)
{
    const ScannerRun run = Scan("tsv");
    for (const std::string& path : paths) {
        EXPECT_NE(run.out.find("\tModaris Simple Ltd\t" + path + "\t\r\n"), std::string::npos) << path;
    }
}

TEST_F(HostileNames, CsvReadsBackWhole)
{
    const ScannerRun run = Scan("csv");
    std::string error;
    std::vector<Cells> records = ReadCsv(run.out, error);
    ASSERT_EQ(error, "");
    ASSERT_FALSE(records.empty()) << run.out;
    EXPECT_EQ(records[0], (Cells{"Prod Ver", "File Ver", "Date Ver", "Bit", "Company", "Filename"}));
    records.erase(records.begin());
    ExpectEveryPathOnce(records);
}

TEST_F(HostileNames, JsonlReadsBackWholeByteForByte)
{
    const ScannerRun run = Scan("jsonl");
    std::string error;
    std::vector<Cells> rows;
    for (const auto& object : ReadJsonl(run.out, error)) {
        rows.push_back({object.at("productVersion"), object.at("fileVersion"), object.at("date"), object.at("bits"),
                        object.at("company"), object.at("fileName")});
    }
    ASSERT_EQ(error, "");
    ExpectEveryPathOnce(rows);
}

}  // namespace
