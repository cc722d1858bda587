#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cli/ProgressLine.h"
#include "cli/RowFormats.h"
#include "cli/ScanOptions.h"
#include "support/TextEscapes.h"

namespace {

using support::CsvField;
using support::JsonString;

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
    EXPECT_TRUE(defaults.filters.empty());
    EXPECT_TRUE(defaults.fields.empty() && defaults.extensions.empty() && !defaults.tsvHeading);
    EXPECT_FALSE(defaults.directoriesGiven);
    EXPECT_FALSE(defaults.allDrives);
    EXPECT_TRUE(defaults.subdirectories);
    EXPECT_TRUE(!defaults.include16 && defaults.include32 && defaults.include64 && !defaults.includeUnknown);
    EXPECT_EQ(defaults.format, OutputFormat::Tsv);

    const ParseResult all = Parse({"-f", "a.dll;b.dll", "--dirs=/x;/y", "-an", "--bits", "16,unknown", "-s", "-r",
                                   "--format", "jsonl", "-q"});
    ASSERT_EQ(all.error, "");
    EXPECT_EQ(all.options.filters, std::vector<std::string>{"a.dll;b.dll"});
    ASSERT_EQ(all.options.directories.size(), 1u);
    EXPECT_EQ(all.options.directories[0].text, "/x;/y");
    EXPECT_TRUE(all.options.directories[0].isList);
    EXPECT_TRUE(all.options.allDrives && !all.options.subdirectories);
    EXPECT_TRUE(all.options.include16 && !all.options.include32 && !all.options.include64 &&
                all.options.includeUnknown);
    EXPECT_TRUE(all.options.systemInformation && all.options.ignoreRedirection && all.options.quiet);
    EXPECT_EQ(all.options.format, OutputFormat::Jsonl);
    EXPECT_EQ(Parse({"-fkernel32.dll"}).options.filters, std::vector<std::string>{"kernel32.dll"});
    EXPECT_EQ(Parse({"--filter="}).options.filters, std::vector<std::string>{""});
}

TEST(ScanOptionsTest, RepeatedOptionsAndPlainDirectoriesAddUp)
{
    const ParseResult parsed =
        Parse({"-f", "a.dll", "/one;two", "-d", "/x;/y", "--filter=b.dll", "--", "-n", "--fields=size,bits"});
    ASSERT_EQ(parsed.error, "");
    EXPECT_EQ(parsed.options.filters, (std::vector<std::string>{"a.dll", "b.dll"}));
    ASSERT_EQ(parsed.options.directories.size(), 4u);
    // Each plain argument is one directory, ';' and all; after "--" options are names too.
    EXPECT_EQ(parsed.options.directories[0].text, "/one;two");
    EXPECT_FALSE(parsed.options.directories[0].isList);
    EXPECT_TRUE(parsed.options.directories[1].isList);
    EXPECT_EQ(parsed.options.directories[2].text, "-n");
    EXPECT_EQ(parsed.options.directories[3].text, "--fields=size,bits");
    EXPECT_TRUE(parsed.options.subdirectories);

    const ParseResult fields = Parse({"--fields=sha256,bits,fileName", "--header", "--extensions=.sys,MUI"});
    ASSERT_EQ(fields.error, "");
    EXPECT_EQ(fields.options.fields, (std::vector<Field>{Field::Sha256, Field::Bits, Field::FileName}));
    EXPECT_TRUE(fields.options.tsvHeading);
    EXPECT_EQ(fields.options.extensions, (std::vector<std::string>{"sys", "MUI"}));
    EXPECT_EQ(Parse({"--fields=all"}).options.fields.size(), AllFields().size());
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
        {{"--fields=size,colour"}, "unknown field 'colour' in --fields (see --help for the names, or use 'all')"},
        {{"--fields="}, "--fields needs at least one field name, or 'all'"},
        {{"--extensions=dll,a/b"}, "invalid extension 'a/b' in --extensions (use names such as dll,exe,sys)"},
        {{"-qz"}, "unknown option '-z' in '-qz'"},
        {{"--trust-roots="}, "--trust-roots needs a PEM file or a folder of PEM files"},
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
              "\"date\":\"07/12/2026  09:05\",\"bits\":null,\"company\":\"Co\",\"fileName\":\"/a/b.dll\"}\n");
    EXPECT_EQ(JsonString("q\"\\\t\n\r\x01\x7f"), "\"q\\\"\\\\\\t\\n\\r\\u0001\\u007f\"");
    EXPECT_EQ(JsonString("\xC3\xA9t\xC3\xA9"), "\"\xC3\xA9t\xC3\xA9\"");
    // Lone, overlong and surrogate sequences are not UTF-8.
    EXPECT_EQ(JsonString("a\xFF" "b\xC0\xAF" "\xED\xA0\x80"), "\"a\\udcffb\\udcc0\\udcaf\\udced\\udca0\\udc80\"");
    EXPECT_EQ(JsonString("\xE2\x82"), "\"\\udce2\\udc82\"");  // cut short
}

// Chosen fields: the columns from the row, the rest from its facts in
// order; what could not be read is an empty cell or null.
TEST(RowFormatsTest, FieldsTakeTheirValuesAndTypesInTheOrderAsked)
{
    dllVersionInfo row = Record("/a/b.dll", "Co", 0);
    row.SetExtraFacts({std::string("1024"), std::nullopt, std::string("true"), std::string("i\"386")});
    const RowLayout layout({Field::Size, Field::Bits, Field::LinkTime, Field::Managed, Field::FileName, Field::Machine},
                           true);
    EXPECT_EQ(FormatHeading(OutputFormat::Tsv, layout), "size\tbits\tlinkTime\tmanaged\tfileName\tmachine\t\r\n");
    EXPECT_EQ(FormatHeading(OutputFormat::Csv, layout), "size,bits,linkTime,managed,fileName,machine\r\n");
    EXPECT_EQ(FormatHeading(OutputFormat::Jsonl, layout), "");
    EXPECT_EQ(FormatRow(row, OutputFormat::Tsv, layout), "1024\t\t\ttrue\t/a/b.dll\ti\"386\t\r\n");
    EXPECT_EQ(FormatRow(row, OutputFormat::Csv, layout), "1024,,,true,/a/b.dll,\"i\"\"386\"\r\n");
    EXPECT_EQ(FormatRow(row, OutputFormat::Jsonl, layout),
              "{\"size\":1024,\"bits\":null,\"linkTime\":null,\"managed\":true,\"fileName\":\"/a/b.dll\","
              "\"machine\":\"i\\\"386\"}\n");
    // A row without facts (system information) has none of them.
    EXPECT_EQ(FormatRow(Record("", "", 64), OutputFormat::Jsonl, RowLayout({Field::Sha256, Field::Bits}, false)),
              "{\"sha256\":null,\"bits\":64}\n");
    EXPECT_EQ(FormatHeading(OutputFormat::Tsv, RowLayout::WindowColumns(true)),
              "Prod Ver\tFile Ver\tDate Ver\tBit\tCompany\tFilename\t\r\n");
}

TEST(ProgressLineTest, LongLinesGiveWayInTheMiddle)
{
    EXPECT_EQ(FitToWidth("DLLs: 3  /usr/lib", 40), "DLLs: 3  /usr/lib");
    const std::string fitted = FitToWidth("DLLs: 12  /usr/lib/x86_64-linux-gnu/wine/x86_64-windows/deep", 30);
    EXPECT_EQ(fitted.size(), 30u);
    EXPECT_EQ(fitted.substr(0, 9), "DLLs: 12 ");
    EXPECT_EQ(fitted.substr(fitted.size() - 4), "deep");
    EXPECT_NE(fitted.find("..."), std::string::npos);
    // No UTF-8 character is cut: "é" is two bytes.
    const std::string accented = FitToWidth(std::string(20, 'a') + "\xC3\xA9\xC3\xA9" + std::string(20, 'b'), 20);
    EXPECT_LE(accented.size(), 20u);
    for (std::size_t i = 0; i + 1 < accented.size(); ++i) {
        if (accented[i] == '\xC3') {
            EXPECT_EQ(accented[i + 1], '\xA9');
        }
    }
}

}  // namespace
