#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cli/RowFormats.h"
#include "cli/ScanOptions.h"

namespace {

ParseResult Parse(std::vector<std::string> words)
{
    words.insert(words.begin(), "modaris-scan");
    std::vector<char*> argv;
    for (std::string& word : words) argv.push_back(&word[0]);
    return ParseScanOptions(static_cast<int>(argv.size()), argv.data());
}

TEST(ScanOptionsTest, MirrorTheWindowsDefaultsAndControls)
{
    const ScanOptions defaults = Parse({}).options;
    EXPECT_EQ(defaults.filter, "");
    EXPECT_FALSE(defaults.directoriesGiven);
    EXPECT_FALSE(defaults.allDrives);
    EXPECT_TRUE(defaults.subdirectories);
    EXPECT_TRUE(!defaults.include16 && defaults.include32 && defaults.include64 && !defaults.includeUnknown);
    EXPECT_EQ(defaults.format, OutputFormat::Tsv);

    const ParseResult all = Parse({"-f", "a.dll;b.dll", "--dirs=/x;/y", "-an", "--bits", "16,unknown", "-s", "-r",
                                   "--format", "jsonl", "-q"});
    ASSERT_EQ(all.error, "");
    EXPECT_EQ(all.options.filter, "a.dll;b.dll");
    EXPECT_EQ(all.options.directories, "/x;/y");
    EXPECT_TRUE(all.options.allDrives && !all.options.subdirectories);
    EXPECT_TRUE(all.options.include16 && !all.options.include32 && !all.options.include64 &&
                all.options.includeUnknown);
    EXPECT_TRUE(all.options.systemInformation && all.options.ignoreRedirection && all.options.quiet);
    EXPECT_EQ(all.options.format, OutputFormat::Jsonl);
    EXPECT_EQ(Parse({"-fkernel32.dll"}).options.filter, "kernel32.dll");
    EXPECT_EQ(Parse({"--filter="}).options.filter, "");
}

TEST(ScanOptionsTest, BadUsageNamesTheCulprit)
{
    const struct {
        std::vector<std::string> words;
        const char* error;
    } cases[] = {
        {{"--frobnicate"}, "unknown option '--frobnicate'"},
        {{"-x"}, "unknown option '-x'"},
        {{"-f"}, "option '-f' needs a value"},
        {{"--bits=8"}, "invalid bitness '8' in --bits (use 16, 32, 64 and unknown, separated by commas)"},
        {{"--bits="}, "--bits needs at least one of 16, 32, 64, unknown"},
        {{"--format", "xml"}, "invalid format 'xml' (use tsv, csv or jsonl)"},
        {{"--quiet=yes"}, "option '--quiet' takes no value"},
        {{"stray"}, "unexpected argument 'stray'"},
        {{"-qz"}, "unknown option '-z' in '-qz'"},
    };
    for (const auto& c : cases) EXPECT_EQ(Parse(c.words).error, c.error) << c.words[0];
}

dllVersionInfo Record(const char* fileName, const char* company, int bits)
{
    dllVersionInfo row;
    row.SetFileName(fileName);
    row.SetCompany(company);
    row.SetProductVersion("6.000100.7602.751400");
    row.SetFileVersion("10.000000.19041.000100");
    row.SetDate("07/12/2026  09:05");
    row.SetBits(bits);
    return row;
}

TEST(RowFormatsTest, TsvIsTheWindowsExportText)
{
    EXPECT_EQ(FormatRow(Record("/a/b.dll", "Co", 64), OutputFormat::Tsv),
              "6.000100.7602.751400\t10.000000.19041.000100\t07/12/2026  09:05\t64\tCo\t/a/b.dll\t\r\n");
    // Unknown bitness is an empty cell; names keep tabs as they are.
    EXPECT_EQ(FormatRow(Record("/a/t\tb.dll", "", 0), OutputFormat::Tsv),
              "6.000100.7602.751400\t10.000000.19041.000100\t07/12/2026  09:05\t\t\t/a/t\tb.dll\t\r\n");
    EXPECT_EQ(FormatHeading(OutputFormat::Tsv), "");
}

TEST(RowFormatsTest, CsvQuotesWhatNeedsIt)
{
    EXPECT_EQ(FormatHeading(OutputFormat::Csv), "Prod Ver,File Ver,Date Ver,Bit,Company,Filename\r\n");
    EXPECT_EQ(FormatRow(Record("/a/\"q\",\nb.dll", "A, B", 32), OutputFormat::Csv),
              "6.000100.7602.751400,10.000000.19041.000100,07/12/2026  09:05,32,\"A, B\",\"/a/\"\"q\"\",\nb.dll\"\r\n");
    EXPECT_EQ(CsvField("tab\there"), "tab\there");
}

TEST(RowFormatsTest, JsonlKeepsEveryByte)
{
    EXPECT_EQ(FormatRow(Record("/a/b.dll", "Co", 0), OutputFormat::Jsonl),
              "{\"productVersion\":\"6.000100.7602.751400\",\"fileVersion\":\"10.000000.19041.000100\","
              "\"date\":\"07/12/2026  09:05\",\"bits\":0,\"company\":\"Co\",\"fileName\":\"/a/b.dll\"}\n");
    EXPECT_EQ(JsonString("q\"\\\t\n\r\x01\x7f"), "\"q\\\"\\\\\\t\\n\\r\\u0001\\u007f\"");
    EXPECT_EQ(JsonString("\xC3\xA9t\xC3\xA9"), "\"\xC3\xA9t\xC3\xA9\"");
    // Lone, overlong and surrogate sequences are not UTF-8.
    EXPECT_EQ(JsonString("a\xFF" "b\xC0\xAF" "\xED\xA0\x80"), "\"a\\udcffb\\udcc0\\udcaf\\udced\\udca0\\udc80\"");
    EXPECT_EQ(JsonString("\xE2\x82"), "\"\\udce2\\udc82\"");  // cut short
}

}  // namespace
