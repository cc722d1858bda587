// The comparison through its entry, on small files: keys, formats, and every
// kind of input that must be refused or carried.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "FileContents.h"
#include "TempTree.h"
#include "compare/Compare.h"
#include "compare/SurrogateBytes.h"

namespace {

using compare::CompareFormat;
using compare::CompareOptions;

struct Outcome {
    int status;
    std::string out;
    std::string err;
};

class CompareRun : public ::testing::Test {
protected:
    Outcome Run(const std::string& oldText, const std::string& newText, CompareOptions options = {})
    {
        m_tree.AddFile("old.jsonl", oldText);
        m_tree.AddFile("new.jsonl", newText);
        if (options.oldPath.empty()) options.oldPath = m_tree.PathOf("old.jsonl");
        if (options.newPath.empty()) options.newPath = m_tree.PathOf("new.jsonl");
        const std::string outPath = m_tree.PathOf("out.txt");
        const std::string errPath = m_tree.PathOf("err.txt");
        std::FILE* out = std::fopen(outPath.c_str(), "wb");
        std::FILE* err = std::fopen(errPath.c_str(), "wb");
        std::FILE* in = std::fopen(m_tree.PathOf("new.jsonl").c_str(), "rb");
        const int status = compare::RunCompare(options, in, out, err);
        std::fclose(in);
        std::fclose(out);
        std::fclose(err);
        return {status, ReadFileText(outPath), ReadFileText(errPath)};
    }
    std::string OldPath() const { return m_tree.PathOf("old.jsonl"); }
    std::string NewPath() const { return m_tree.PathOf("new.jsonl"); }

    TempTree m_tree;
};

CompareOptions Quiet(CompareFormat format = CompareFormat::Tsv)
{
    CompareOptions options;
    options.quiet = true;
    options.format = format;
    return options;
}

// A scan's row: what the scanner writes with --fields=...,fileName,foundUnder.
std::string ScanRow(const std::string& fileName, const std::string& foundUnder, const std::string& version,
                    const std::string& host = "a")
{
    return "{\"fileVersion\":\"" + version + "\",\"date\":\"01/02/2024  10:00\",\"bits\":64,\"fileName\":\"" +
           fileName + "\",\"host\":\"" + host + "\",\"foundUnder\":\"" + foundUnder + "\"}";
}

TEST_F(CompareRun, ScansOfTwoMachinesMatchUnderWhereTheirWalksStarted)
{
    // The Windows build's rows (upper case, '\', BOM, CR LF) against the
    // Linux build's of the same disk mounted elsewhere.
    const std::string oldText = "\xEF\xBB\xBF" + ScanRow("C:\\\\\\\\WINDOWS\\\\SYSTEM32\\\\A.DLL", "C:\\\\", "1.0") +
                                "\r\n" + ScanRow("C:\\\\\\\\WINDOWS\\\\SYSTEM32\\\\B.DLL", "C:\\\\", "2.0") + "\r\n" +
                                ScanRow("C:\\\\\\\\WINDOWS\\\\GONE.DLL", "C:\\\\", "3.0") + "\r\n";
    const std::string newText = ScanRow("/mnt/b/Windows/System32/a.dll", "/mnt/b/", "1.0", "b") + "\n" +
                                ScanRow("/mnt/b/Windows/System32/b.dll", "/mnt/b/", "2.1", "b") + "\n" +
                                ScanRow("/mnt/b/Windows/new.dll", "/mnt/b/", "4.0", "b") + "\n";
    CompareOptions options;
    options.header = true;
    const Outcome outcome = Run(oldText, newText, options);
    EXPECT_EQ(outcome.status, compare::kCompareDifferent);
    EXPECT_EQ(outcome.out,
              "change\tkey\tfield\told\tnew\t\r\n"
              "changed\tWindows/System32/b.dll\tfileVersion\t2.0\t2.1\t\r\n"
              "added\tWindows/new.dll\t\t\t\t\r\n"
              "removed\tWINDOWS/GONE.DLL\t\t\t\t\r\n");
    EXPECT_EQ(outcome.err, "1 added, 1 removed, 1 changed, 1 the same\n");
}

TEST_F(CompareRun, WithoutFoundUnderRowsAreKeyedByTheFullPathAndTheSummarySaysSo)
{
    const std::string row = "{\"fileVersion\":\"1.0\",\"fileName\":\"/x/a.dll\"}\n";
    const Outcome outcome = Run(row, ScanRow("/x/a.dll", "/x", "1.0"));
    EXPECT_EQ(outcome.status, compare::kCompareSame);
    EXPECT_EQ(outcome.out, "");
    EXPECT_NE(outcome.err.find("0 added, 0 removed, 0 changed, 1 the same; keyed by the full path (fileName): " +
                               OldPath() + " has no foundUnder"),
              std::string::npos)
        << outcome.err;
}

TEST_F(CompareRun, EitherFileMayBeTheLargerOneAndTheOldAndNewValuesStayInTheirPlaces)
{
    const std::string small = ScanRow("/r/a.dll", "/r", "1.0") + "\n" + ScanRow("/r/b.dll", "/r", "1.0") + "\n";
    std::string large = ScanRow("/r/a.dll", "/r", "9.0") + "\n";
    for (int i = 0; i < 50; ++i) large += ScanRow("/r/more" + std::to_string(i) + ".dll", "/r", "1.0") + "\n";
    const Outcome oldSmaller = Run(small, large, Quiet(CompareFormat::Jsonl));
    const Outcome newSmaller = Run(large, small, Quiet(CompareFormat::Jsonl));
    const std::string changedForward =
        "{\"change\":\"changed\",\"key\":\"a.dll\",\"fields\":{\"fileVersion\":{\"old\":\"1.0\",\"new\":\"9.0\"}}}\n";
    const std::string changedBack =
        "{\"change\":\"changed\",\"key\":\"a.dll\",\"fields\":{\"fileVersion\":{\"old\":\"9.0\",\"new\":\"1.0\"}}}\n";
    EXPECT_NE(oldSmaller.out.find(changedForward), std::string::npos) << oldSmaller.out;
    EXPECT_NE(newSmaller.out.find(changedBack), std::string::npos) << newSmaller.out;
    EXPECT_NE(oldSmaller.out.find("{\"change\":\"removed\",\"key\":\"b.dll\"}\n"), std::string::npos);
    EXPECT_NE(newSmaller.out.find("{\"change\":\"added\",\"key\":\"b.dll\"}\n"), std::string::npos);
    EXPECT_NE(oldSmaller.out.find("{\"change\":\"added\",\"key\":\"more49.dll\"}\n"), std::string::npos);
    EXPECT_NE(newSmaller.out.find("{\"change\":\"removed\",\"key\":\"more49.dll\"}\n"), std::string::npos);
}

TEST_F(CompareRun, ALoadListMatchesByProgramAndImportAndAMovedCopyChangesFoundByAndFileName)
{
    const auto load = [](const std::string& program, const std::string& fileName, const std::string& foundBy) {
        return "{\"program\":\"" + program + "\",\"importName\":\"MSVCP140.dll\",\"fileName\":\"" + fileName +
               "\",\"foundBy\":\"" + foundBy +
               "\",\"shadowed\":[{\"path\":\"C:\\\\App\\\\msvcp140.dll\",\"why\":\"later\"}],\"depth\":1}\n";
    };
    const Outcome outcome =
        Run(load("C:\\\\App\\\\app.exe", "C:\\\\Windows\\\\System32\\\\msvcp140.dll", "system"),
            load("/mnt/c/App/APP.EXE", "/mnt/c/App/msvcp140.dll", "appdir"), Quiet(CompareFormat::Jsonl));
    EXPECT_EQ(outcome.status, compare::kCompareDifferent);
    EXPECT_EQ(outcome.out,
              "{\"change\":\"changed\",\"program\":\"APP.EXE\",\"importName\":\"MSVCP140.dll\",\"fields\":{"
              "\"fileName\":{\"old\":\"C:\\\\Windows\\\\System32\\\\msvcp140.dll\","
              "\"new\":\"/mnt/c/App/msvcp140.dll\"},"
              "\"foundBy\":{\"old\":\"system\",\"new\":\"appdir\"}}}\n");
}

TEST_F(CompareRun, NamedKeysAndFieldsAndFieldsThatOnlyOneFileHas)
{
    const std::string oldText =
        "{\"originalFilename\":\"k.dll\",\"machine\":\"amd64\",\"size\":10,\"fileName\":\"/a/k.dll\"}\n";
    const std::string newText =
        "{\"originalFilename\":\"K.DLL\",\"machine\":\"amd64\",\"size\":12,\"fileName\":\"/b/k.dll\","
        "\"sha256\":\"00\"}\n";
    CompareOptions options;
    options.keyFields = {"originalFilename", "machine"};
    Outcome outcome = Run(oldText, newText, options);
    EXPECT_EQ(outcome.out,
              "changed\tK.DLL\tamd64\tsize\t10\t12\t\r\n"
              "changed\tK.DLL\tamd64\tfileName\t/a/k.dll\t/b/k.dll\t\r\n");
    EXPECT_NE(
        outcome.err.find("the field 'sha256' is in " + NewPath() + " only, not in " + OldPath() + ": not compared"),
        std::string::npos)
        << outcome.err;

    options.compareFields = {"sha256"};
    options.quiet = true;
    outcome = Run(oldText, newText, options);
    EXPECT_EQ(outcome.status, compare::kCompareSame);
    EXPECT_NE(outcome.err.find("'sha256' is in " + NewPath() + " only"), std::string::npos) << outcome.err;

    options.compareFields = {"sha265"};
    outcome = Run(oldText, newText, options);
    EXPECT_EQ(outcome.status, compare::kCompareTrouble);
    EXPECT_NE(outcome.err.find("--compare-fields: neither file has the field 'sha265'"), std::string::npos);
}

TEST_F(CompareRun, ValuesComeOutWhole)
{
    // A byte that is not UTF-8 (written \udcXX), a tab, a comma and quote,
    // a nested list; two paths that differ in such a byte alone stay two.
    const std::string oldText =
        "{\"fileName\":\"/r/\\udce9.dll\",\"foundUnder\":\"/r\",\"company\":\"A\\tB\"}\n"
        "{\"fileName\":\"/r/\\udce8.dll\",\"foundUnder\":\"/r\",\"company\":\"x\"}\n"
        "{\"fileName\":\"/r/n.dll\",\"foundUnder\":\"/r\",\"list\":[1,{\"a\":null}]}\n";
    const std::string newText =
        "{\"fileName\":\"/r/\\udce9.dll\",\"foundUnder\":\"/r\",\"company\":\"\\\"C\\\", D\"}\n"
        "{\"fileName\":\"/r/\\udce8.dll\",\"foundUnder\":\"/r\",\"company\":\"x\"}\n"
        "{\"fileName\":\"/r/n.dll\",\"foundUnder\":\"/r\",\"list\":[1,{\"a\":true}]}\n";
    Outcome outcome = Run(oldText, newText, Quiet());
    EXPECT_EQ(outcome.out,
              "changed\t\xe9.dll\tcompany\tA\\tB\t\"C\", D\t\r\n"
              "changed\tn.dll\tlist\t[1,{\"a\":null}]\t[1,{\"a\":true}]\t\r\n");
    outcome = Run(oldText, newText, Quiet(CompareFormat::Csv));
    EXPECT_EQ(outcome.out,
              "change,key,field,old,new\r\n"
              "changed,\xe9.dll,company,A\tB,\"\"\"C\"\", D\"\r\n"
              "changed,n.dll,list,\"[1,{\"\"a\"\":null}]\",\"[1,{\"\"a\"\":true}]\"\r\n");
    outcome = Run(oldText, newText, Quiet(CompareFormat::Jsonl));
    EXPECT_EQ(outcome.out,
              "{\"change\":\"changed\",\"key\":\"\\udce9.dll\",\"fields\":{\"company\":{\"old\":\"A\\tB\",\"new\":"
              "\"\\\"C\\\", D\"}}}\n"
              "{\"change\":\"changed\",\"key\":\"n.dll\",\"fields\":{\"list\":{\"old\":[1,{\"a\":null}],\"new\":"
              "[1,{\"a\":true}]}}}\n");
}

TEST_F(CompareRun, StandardInputIsEitherFile)
{
    CompareOptions options = Quiet();
    options.newPath = "-";
    const Outcome outcome = Run(ScanRow("/r/a.dll", "/r", "1"), ScanRow("/r/a.dll", "/r", "2"), options);
    EXPECT_EQ(outcome.out, "changed\ta.dll\tfileVersion\t1\t2\t\r\n");
    options.oldPath = "-";
    EXPECT_EQ(Run("", "", options).status, compare::kCompareTrouble);
}

// Each file that is no modaris jsonl: the status and the message.
TEST_F(CompareRun, MalformedInputIsNamedWithItsLine)
{
    const std::string good = ScanRow("/r/a.dll", "/r", "1") + "\n";
    const struct {
        std::string oldText;
        std::string message;
    } cases[] = {
        {good + "productVersion\tfileVersion\n", ": line 2: not JSON: Invalid value. (at byte 1)"},
        {good + "[1,2]\n", ": line 2: not a JSON object"},
        {good + "\"text\"\n", ": line 2: not a JSON object"},
        {good + "{\"fileName\":\"/r/b.dll\",\"fileName\":\"/r/c.dll\"}\n", ": line 2: the field 'fileName' twice"},
        {good + "{\"fileName\":\"/r/b.dll\",\"x\":" + std::string(100, '[') + std::string(100, ']') + "}\n",
         ": line 2: nested more than 64 deep"},
        {good + "{\"fileVersion\":\"1\"}\n", ": line 2: no fileName: name the fields that match rows with --key"},
        {good + "\n" + ScanRow("/R/A.DLL", "/r", "2") + "\n",
         ": lines 1 and 3 have the same key 'A.DLL' (ASCII case and separators ignored)"},
        {good + std::string("{\"fileName\":\"/r/b\0.dll\"}\n", 25), ": line 2: not JSON"},
        {good + "{\"program\":\"a.exe\",\"importName\":\"k.dll\",\"fileName\":\"/r/k.dll\"}\n",
         ": line 2: a row of a load list (it has importName) among a list of copies"},
    };
    for (const auto& each : cases) {
        const Outcome outcome = Run(each.oldText, good, Quiet());
        EXPECT_EQ(outcome.status, compare::kCompareTrouble) << each.message;
        EXPECT_NE(outcome.err.find(OldPath() + each.message), std::string::npos) << outcome.err;
    }
    // In the streamed file too, with the first of the two lines.
    std::string larger = good;
    for (int i = 0; i < 20; ++i) larger += ScanRow("/r/x" + std::to_string(i) + ".dll", "/r", "1") + "\n";
    const Outcome twice = Run(good, larger + ScanRow("/r/X3.dll", "/r", "1") + "\n", Quiet());
    EXPECT_EQ(twice.status, compare::kCompareTrouble);
    EXPECT_NE(twice.err.find(NewPath() + ": lines 5 and 22 have the same key 'X3.dll'"), std::string::npos)
        << twice.err;

    const Outcome mixed = Run(good, "{\"program\":\"a.exe\",\"importName\":\"k.dll\"}\n", Quiet());
    EXPECT_NE(
        mixed.err.find(NewPath() + " is a load list (its rows have importName) and " + OldPath() + " a list of copies"),
        std::string::npos)
        << mixed.err;
}

TEST_F(CompareRun, ALastLineCutShortIsToldAndTheRowsBeforeItAreCompared)
{
    const std::string rows = ScanRow("/r/a.dll", "/r", "1") + "\n" + ScanRow("/r/b.dll", "/r", "1") + "\n";
    const Outcome outcome = Run(rows, rows + ScanRow("/r/c.dll", "/r", "1").substr(0, 30), Quiet());
    EXPECT_EQ(outcome.status, compare::kCompareTrouble);
    EXPECT_EQ(outcome.out, "");
    EXPECT_NE(outcome.err.find(NewPath() + ": line 3: the last line is cut short ("), std::string::npos);
    EXPECT_NE(outcome.err.find("); the rows before it are compared"), std::string::npos) << outcome.err;
    // A whole last row without its line end is no cut.
    EXPECT_EQ(Run(rows, rows + ScanRow("/r/c.dll", "/r", "1"), Quiet()).status, compare::kCompareDifferent);
}

TEST_F(CompareRun, LinesLongerThanTheReadBlockAndPastTheLimit)
{
    const std::string longValue(3u << 20, 'v');
    const std::string row = "{\"fileName\":\"/r/a.dll\",\"company\":\"" + longValue + "\"}\n";
    EXPECT_EQ(Run(row, row, Quiet()).status, compare::kCompareSame);
    const Outcome tooLong = Run(std::string(17u << 20, ' ') + "\n", row, Quiet());
    EXPECT_NE(tooLong.err.find(": line 1: longer than 16 MiB"), std::string::npos) << tooLong.err;
}

TEST(SurrogateBytes, LoneSurrogatesBecomeTheirBytesAndPairsStay)
{
    const auto rewrite = [](std::string text) {
        text.push_back('\0');
        text.resize(compare::SurrogateEscapesToBytes(&text[0], text.size() - 1));
        return text;
    };
    EXPECT_EQ(rewrite(R"("a\udc80\uDCFFb")"),
              "\"a\x80\xFF"
              "b\"");
    EXPECT_EQ(rewrite(R"("\ud83d\ude00")"), R"("\ud83d\ude00")");
    EXPECT_EQ(rewrite(R"("\\udc80")"), R"("\\udc80")");
    EXPECT_EQ(rewrite(R"("\ud800x")"), "\"\xED\xA0\x80x\"");
    EXPECT_EQ(rewrite(R"("\udc41\u00e9\udc8)"), "\"\xED\xB1\x81\\u00e9\\udc8");
}

}  // namespace
