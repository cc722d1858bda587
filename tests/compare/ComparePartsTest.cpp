// The parts of a comparison where a fault would go unseen end to end: how
// lines are cut, what a row keeps of its JSON, how keys fold, how the table
// packs rows.
#include <gtest/gtest.h>

#include <cstdio>
#include <deque>
#include <string>

#include "FileContents.h"
#include "TempTree.h"
#include "compare/CompareSummary.h"
#include "compare/LineReader.h"
#include "compare/RowKey.h"
#include "compare/RowParser.h"
#include "compare/RowTable.h"

namespace {

using namespace compare;

std::vector<std::string> LinesOf(const std::string& bytes, bool* lastUnterminated = nullptr)
{
    TempTree tree;
    tree.AddFile("lines", bytes);
    std::FILE* file = std::fopen(tree.PathOf("lines").c_str(), "rb");
    LineReader reader(file);
    std::vector<std::string> lines;
    char* line = nullptr;
    std::size_t length = 0;
    while (reader.Next(line, length) == LineReader::Status::Line) lines.emplace_back(line, length);
    if (lastUnterminated) *lastUnterminated = reader.LineUnterminated();
    std::fclose(file);
    return lines;
}

TEST(LineReader, DropsTheByteOrderMarkOnlyAtTheStartAndTheCrOfCrLfOnly)
{
    bool unterminated = false;
    EXPECT_EQ(LinesOf("\xEF\xBB\xBF{}\r\n\xEF\xBB\xBFx\r\r\n\nlast", &unterminated),
              (std::vector<std::string>{"{}", "\xEF\xBB\xBFx\r", "", "last"}));
    EXPECT_TRUE(unterminated);
    LinesOf("a\n", &unterminated);
    EXPECT_FALSE(unterminated);
    EXPECT_TRUE(LinesOf("").empty());
    // Lines that straddle the reader's blocks come whole.
    std::string many;
    for (int i = 0; i < 40000; ++i) {
        many += std::string(static_cast<std::size_t>(i % 97), 'x') + std::to_string(i) + "\n";
    }
    const std::vector<std::string> lines = LinesOf(many);
    ASSERT_EQ(lines.size(), 40000u);
    EXPECT_EQ(lines[39999], std::string(39999 % 97, 'x') + "39999");
}

class Rows : public ::testing::Test {
protected:
    InventoryRow Parse(std::string line)
    {
        m_lines.push_back(line + '\0');
        std::string& kept = m_lines.back();
        InventoryRow row;
        std::string error;
        EXPECT_TRUE(m_parser.Parse(&kept[0], kept.size() - 1, row, error)) << error;
        return row;
    }
    std::string Refusal(std::string line)
    {
        line.push_back('\0');
        InventoryRow row;
        std::string error;
        EXPECT_FALSE(m_parser.Parse(&line[0], line.size() - 1, row, error));
        return error;
    }
    const FieldValue& Value(const InventoryRow& row, const char* name) { return *row.Find(m_names.Id(name)); }

    FieldNames m_names;
    RowParser m_parser{m_names};
    std::deque<std::string> m_lines;
};

TEST_F(Rows, KeepNumbersAsWrittenNestedValuesCompactAndUnknownFields)
{
    const InventoryRow row = Parse(R"( { "bits" : 1.0 , "n": -0,
        "shadowed": [ {"path": "C:\\a", "why" : "x"} , [] , null, true ],
        "fromANewerRelease": {"k": [1e3]}, "empty": "" } )");
    EXPECT_EQ(Value(row, "bits").kind, ValueKind::Number);
    EXPECT_EQ(Value(row, "bits").text, "1.0");
    EXPECT_EQ(Value(row, "n").text, "-0");
    EXPECT_EQ(Value(row, "shadowed").kind, ValueKind::Nested);
    EXPECT_EQ(Value(row, "shadowed").text, R"([{"path":"C:\\a","why":"x"},[],null,true])");
    EXPECT_EQ(Value(row, "fromANewerRelease").text, R"({"k":[1e3]})");
    EXPECT_EQ(Value(row, "empty").kind, ValueKind::String);
    // A later row of other fields in another order finds its own.
    const InventoryRow other = Parse(R"({"empty":null,"bits":64})");
    EXPECT_EQ(Value(other, "bits").text, "64");
    EXPECT_EQ(Value(other, "empty").kind, ValueKind::Null);
    EXPECT_FALSE(Value(other, "empty").SameAs(Value(row, "empty")));
}

TEST_F(Rows, RefuseWhatNoScannerWrites)
{
    EXPECT_EQ(Refusal(R"({"a":1} {"b":2})"),
              "not JSON: The document root must not be followed by other values. "
              "(at byte 9)");
    EXPECT_EQ(Refusal("{\"a\":\"x\ty\"}"), "not JSON: Invalid escape character in string. (at byte 8)");
    EXPECT_EQ(Refusal("null"), "not a JSON object");
    EXPECT_EQ(Refusal(R"({"a":"x","b":1,"a":2})"), "the field 'a' twice");
}

TEST(RowKeys, FoldCaseAndSeparatorsAndStayApartOtherwise)
{
    EXPECT_EQ(FoldSeparators("C:\\\\WINDOWS\\/System32//X.Dll", true), "c:/windows/system32/x.dll");
    EXPECT_EQ(FoldSeparators("\xC3\x89T\xC3\xA9.DLL", true), "\xC3\x89t\xC3\xA9.dll");

    FieldNames names;
    RowParser parser(names);
    const auto key = [&](const RowKey& rowKey, std::string line, bool* fellBack = nullptr) {
        line.push_back('\0');
        InventoryRow row;
        std::string text;
        std::string problem;
        bool back = false;
        EXPECT_TRUE(parser.Parse(&line[0], line.size() - 1, row, problem)) << problem;
        EXPECT_TRUE(rowKey.Build(row, text, problem, back)) << problem;
        if (fellBack) *fellBack = back;
        return text;
    };
    const RowKey relative(KeyKind::RelativePath, names);
    bool fellBack = true;
    EXPECT_EQ(key(relative, R"({"fileName":"C:\\\\WINDOWS\\A.DLL","foundUnder":"c:\\"})", &fellBack), "windows/a.dll");
    EXPECT_FALSE(fellBack);
    EXPECT_EQ(key(relative, R"({"fileName":"/mnt/b/Windows/a.dll","foundUnder":"/mnt/b/"})"), "windows/a.dll");
    EXPECT_EQ(key(relative, R"({"fileName":"/usr/a.dll","foundUnder":"/"})"), "usr/a.dll");
    // A foundUnder that holds no path of the row, or none at all, keeps the
    // whole path.
    EXPECT_EQ(key(relative, R"({"fileName":"/mnt/bx/a.dll","foundUnder":"/mnt/b"})", &fellBack), "/mnt/bx/a.dll");
    EXPECT_TRUE(fellBack);
    EXPECT_EQ(key(relative, R"({"fileName":"/a.dll","foundUnder":null})", &fellBack), "/a.dll");
    EXPECT_TRUE(fellBack);

    const RowKey loads(KeyKind::LoadList, names);
    EXPECT_EQ(key(loads, R"({"program":"C:\\App\\APP.EXE","importName":"K32.dll"})"),
              key(loads, R"({"program":"/other/place/app.exe","importName":"k32.DLL"})"));

    const RowKey fields(KeyKind::Fields, names, {"a", "b"});
    EXPECT_NE(key(fields, R"({"a":"x","b":"yz"})"), key(fields, R"({"a":"xy","b":"z"})"));
    EXPECT_NE(key(fields, R"({"a":null,"b":""})"), key(fields, R"({"a":"","b":""})"));
    EXPECT_NE(key(fields, R"({"a":1,"b":""})"), key(fields, R"({"a":"1","b":""})"));
}

TEST(RowTable, GivesBackEveryRowAsItWasPacked)
{
    FieldNames names;
    InventoryRow row;
    const std::string longText(300, 'l');
    for (int i = 0; i < 200; ++i) names.Id("f" + std::to_string(i));
    row.values = {{names.Id("f150"), ValueKind::String, longText},
                  {names.Id("f3"), ValueKind::Null, ""},
                  {names.Id("f199"), ValueKind::Number, "12"}};
    RowTable table;
    std::uint64_t other = 0;
    ASSERT_TRUE(table.Add("k", row, 7, other));
    ASSERT_TRUE(table.Add("K", row, 8, other));
    EXPECT_FALSE(table.Add("k", row, 9, other));
    EXPECT_EQ(other, 7u);
    InventoryRow back;
    RowTable::Unpack(*table.Find("k"), back);
    ASSERT_EQ(back.values.size(), 3u);
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(back.values[i].field, row.values[i].field);
        EXPECT_TRUE(back.values[i].SameAs(row.values[i]));
    }
}

TEST(CompareSummary, GroupsThousands)
{
    EXPECT_EQ(SummaryLine({3, 1, 5, 1204}), "3 added, 1 removed, 5 changed, 1,204 the same");
    EXPECT_EQ(GroupedCount(1000000), "1,000,000");
    EXPECT_EQ(GroupedCount(999), "999");
}

}  // namespace
