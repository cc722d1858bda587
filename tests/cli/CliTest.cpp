#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "TempTree.h"
#include "cli/ConsoleScan.h"
#include "cli/ProgressLine.h"
#include "cli/RowFormats.h"
#include "cli/ScanOptions.h"
#include "support/TerminalText.h"
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

    const ParseResult all = Parse(
        {"-f", "a.dll;b.dll", "--dirs=/x;/y", "-an", "--bits", "16,unknown", "-s", "-r", "--format", "jsonl", "-q"});
    ASSERT_EQ(all.error, "");
    EXPECT_EQ(all.options.filters, (std::vector<std::string>{"a.dll", "b.dll"}));
    EXPECT_EQ(all.options.directories, (std::vector<std::string>{"/x", "/y"}));
    EXPECT_TRUE(all.options.allDrives && !all.options.subdirectories);
    EXPECT_TRUE(all.options.include16 && !all.options.include32 && !all.options.include64 &&
                all.options.includeUnknown);
    EXPECT_TRUE(all.options.systemInformation && all.options.ignoreRedirection && all.options.quiet);
    EXPECT_EQ(all.options.format, OutputFormat::Jsonl);
    EXPECT_EQ(Parse({"-fkernel32.dll"}).options.filters, std::vector<std::string>{"kernel32.dll"});
}

TEST(ScanOptionsTest, RepeatedOptionsAndPlainDirectoriesAddUp)
{
    const ParseResult parsed =
        Parse({"-f", "a.dll", "/one;two", "-d", "/x;/y", "--filter=b.dll", "--", "-n", "--fields=size,bits"});
    ASSERT_EQ(parsed.error, "");
    EXPECT_EQ(parsed.options.filters, (std::vector<std::string>{"a.dll", "b.dll"}));
    // Each plain argument is one directory, ';' and all; after "--" options are names too.
    EXPECT_EQ(parsed.options.directories,
              (std::vector<std::string>{"/one;two", "/x", "/y", "-n", "--fields=size,bits"}));
    EXPECT_TRUE(parsed.options.subdirectories);

    const ParseResult fields = Parse({"--fields=sha256,bits,fileName", "--header", "--extensions=.sys,MUI"});
    ASSERT_EQ(fields.error, "");
    EXPECT_EQ(fields.options.fields, (std::vector<Field>{Field::Sha256, Field::Bits, Field::FileName}));
    EXPECT_TRUE(fields.options.tsvHeading);
    EXPECT_EQ(fields.options.extensions, (std::vector<std::string>{"sys", "MUI"}));
    EXPECT_EQ(Parse({"--fields=all"}).options.fields.size(), AllFields().size());
}

// A trailing ';' or ',' is a slip, not "everything"; a name given twice is
// one name; short options bundle as getopt's do.
TEST(ScanOptionsTest, CarelessTypingMeansWhatWasMeant)
{
    const ParseResult slips = Parse({"-d", "/a;;/b;", "-f", "a.dll;", "-f", "A.DLL;b.dll", "--bits=32,",
                                     "--extensions=dll,", "--fields=size,,bits,"});
    ASSERT_EQ(slips.error, "");
    EXPECT_EQ(slips.options.directories, (std::vector<std::string>{"/a", "/b"}));
    EXPECT_EQ(slips.options.filters, (std::vector<std::string>{"a.dll", "b.dll"}));
    EXPECT_TRUE(slips.options.include32 && !slips.options.include64);
    EXPECT_EQ(slips.options.extensions, std::vector<std::string>{"dll"});
    EXPECT_EQ(slips.options.fields, (std::vector<Field>{Field::Size, Field::Bits}));

    const ParseResult bundled = Parse({"-qf", "tab.dll", "-qnd", "/dir", "-qfb.dll"});
    ASSERT_EQ(bundled.error, "");
    EXPECT_TRUE(bundled.options.quiet && !bundled.options.subdirectories);
    EXPECT_EQ(bundled.options.filters, (std::vector<std::string>{"tab.dll", "b.dll"}));
    EXPECT_EQ(bundled.options.directories, std::vector<std::string>{"/dir"});
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
        {{"-qf"}, "option '-f' needs a value"},
        {{"--bits=8"}, "invalid bitness '8' in --bits (use 16, 32, 64 and unknown, separated by commas)"},
        {{"--bits="}, "--bits needs at least one of 16, 32, 64, unknown"},
        {{"--format", "xml"}, "invalid format 'xml' (use tsv, csv or jsonl)"},
        {{"--quiet=yes"}, "option '--quiet' takes no value"},
        {{"--fields=size,colour"}, "unknown field 'colour' in --fields (see --help for the names, or use 'all')"},
        {{"--fields="}, "--fields needs at least one field name, or 'all'"},
        {{"--fields=sha256,size,sha256"}, "field 'sha256' named twice in --fields"},
        {{"--extensions=dll,a/b"}, "invalid extension 'a/b' in --extensions (use names such as dll,exe,sys)"},
        {{"--extensions=,"}, "--extensions needs at least one extension"},
        {{"-qz"}, "unknown option '-z' in '-qz'"},
        {{"--trust-roots="}, "--trust-roots needs a PEM file or a folder of PEM files"},
        {{"-d", ";"}, "--dirs ';' names no directory"},
        {{"--dirs="}, "--dirs '' names no directory"},
        {{""}, "an empty DIRECTORY argument names no directory"},
        {{"-f", ""}, "--filter '' names no file (leave -f out to take every module)"},
        {{"-s", "--fields=sha256"}, "--sysinfo with --fields needs the field infoLabel or infoValue (or 'all')"},
    };
    for (const auto& c : cases) EXPECT_EQ(Parse(c.words).error, c.error) << c.words[0];
    EXPECT_EQ(Parse({"-s", "--fields=infoLabel,sha256"}).error, "");
}

// The field table is what every reader indexes: it must stand in the
// order of the fields themselves, each name once.
TEST(FieldsTest, TheTableListsEveryFieldOnceInOrder)
{
    const auto& table = FieldTable();
    for (std::size_t i = 0; i < table.size(); ++i) {
        EXPECT_EQ(static_cast<std::size_t>(table[i].field), i) << table[i].name;
        for (std::size_t k = 0; k < i; ++k) EXPECT_STRNE(table[i].name, table[k].name);
    }
    EXPECT_NE(table.back().help, nullptr) << "the last entry of --help's Fields needs its text";
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

// A module row of the console: the window's cells and the facts read.
dllVersionInfo ModuleRecord(const char* fileName, const char* company, int bits)
{
    dllVersionInfo row = Record(fileName, company, bits);
    auto facts = std::make_unique<RowFacts>();
    auto module = std::make_shared<ModuleFacts>();
    module->version.fixedInfoFound = true;
    module->version.companyFound = true;
    facts->module = module;
    facts->foundUnder = "/a";
    row.SetFacts(std::move(facts));
    return row;
}

TEST(RowFormatsTest, TsvIsTheWindowsExportTextOneLinePerRow)
{
    EXPECT_EQ(FormatRow(Record("/a/b.dll", "Co", 64), OutputFormat::Tsv),
              "6.000100.7602.751400\t10.000000.19041.000100\t07/12/2026  09:05\t64\tCo\t/a/b.dll\t\r\n");
    // Unknown bitness is an empty cell; a tab, CR or LF in a cell is a space.
    EXPECT_EQ(FormatRow(Record("/a/t\tb\nc.dll", "A\tB\r", 0), OutputFormat::Tsv),
              "6.000100.7602.751400\t10.000000.19041.000100\t07/12/2026  09:05\t\tA B \t/a/t b c.dll\t\r\n");
    EXPECT_EQ(FormatHeading(OutputFormat::Tsv), "");
}

TEST(RowFormatsTest, CsvQuotesWhatNeedsItAndDisarmsFormulas)
{
    EXPECT_EQ(FormatHeading(OutputFormat::Csv), "Prod Ver,File Ver,Date Ver,Bit,Company,Filename\r\n");
    EXPECT_EQ(FormatRow(Record("/a/\"q\",\nb.dll", "A, B", 32), OutputFormat::Csv),
              "6.000100.7602.751400,10.000000.19041.000100,07/12/2026  09:05,32,\"A, B\",\"/a/\"\"q\"\",\nb.dll\"\r\n");
    EXPECT_EQ(CsvField("tab\there"), "tab\there");
    EXPECT_EQ(CsvField("=cmd|' /C calc'!A0"), "'=cmd|' /C calc'!A0");
    for (const char* formula : {"+1", "-1", "@SUM(A1)", "\tx"}) EXPECT_EQ(CsvField(formula)[0], '\'') << formula;
    EXPECT_EQ(CsvField("=a,b"), "\"'=a,b\"");
    EXPECT_EQ(CsvField("a=b"), "a=b");
}

TEST(RowFormatsTest, JsonlKeepsEveryByteAndWritesNullForWhatIsMissing)
{
    EXPECT_EQ(FormatRow(ModuleRecord("/a/b.dll", "Co", 0), OutputFormat::Jsonl),
              "{\"productVersion\":\"6.000100.7602.751400\",\"fileVersion\":\"10.000000.19041.000100\","
              "\"date\":\"07/12/2026  09:05\",\"bits\":null,\"company\":\"Co\",\"fileName\":\"/a/b.dll\"}\n");
    // A module without a version resource, a company or a date: null, as
    // every other string it lacks.
    dllVersionInfo bare = Record("/a/c.dll", "", 32);
    bare.SetDate("");
    bare.SetFacts(std::unique_ptr<RowFacts>(new RowFacts{std::make_shared<ModuleFacts>(), ""}));
    EXPECT_EQ(FormatRow(bare, OutputFormat::Jsonl),
              "{\"productVersion\":null,\"fileVersion\":null,\"date\":null,\"bits\":32,\"company\":null,"
              "\"fileName\":\"/a/c.dll\"}\n");
    EXPECT_EQ(JsonString("q\"\\\t\n\r\x01\x7f"), "\"q\\\"\\\\\\t\\n\\r\\u0001\\u007f\"");
    EXPECT_EQ(JsonString("\xC3\xA9t\xC3\xA9"), "\"\xC3\xA9t\xC3\xA9\"");
    // Lone, overlong and surrogate sequences are not UTF-8.
    EXPECT_EQ(JsonString("a\xFF"
                         "b\xC0\xAF"
                         "\xED\xA0\x80"),
              "\"a\\udcffb\\udcc0\\udcaf\\udced\\udca0\\udc80\"");
    EXPECT_EQ(JsonString("\xE2\x82"), "\"\\udce2\\udc82\"");  // cut short
}

// Chosen fields: the columns from the row, the rest from its facts; what
// could not be read is an empty cell or null.
TEST(RowFormatsTest, FieldsTakeTheirValuesAndTypesInTheOrderAsked)
{
    dllVersionInfo row = Record("/a/b.dll", "Co", 0);
    auto facts = std::make_unique<RowFacts>();
    auto module = std::make_shared<ModuleFacts>();
    module->version.fixedInfoFound = module->version.companyFound = true;
    module->size = 1024;
    module->header = ModuleHeader{ModuleKind::Pe, 0x14C, 0, 2, false, true};
    facts->module = module;
    facts->foundUnder = "/a";
    row.SetFacts(std::move(facts));
    const RowLayout layout({Field::Size, Field::Bits, Field::LinkTime, Field::Managed, Field::FileName, Field::Machine,
                            Field::Sha256, Field::FoundUnder},
                           true);
    EXPECT_EQ(FormatHeading(OutputFormat::Tsv, layout),
              "size\tbits\tlinkTime\tmanaged\tfileName\tmachine\tsha256\tfoundUnder\t\r\n");
    EXPECT_EQ(FormatHeading(OutputFormat::Csv, layout),
              "size,bits,linkTime,managed,fileName,machine,sha256,foundUnder\r\n");
    EXPECT_EQ(FormatHeading(OutputFormat::Jsonl, layout), "");
    EXPECT_EQ(FormatRow(row, OutputFormat::Tsv, layout),
              "1024\t\t1970-01-01T00:00:00Z\ttrue\t/a/b.dll\ti386\t\t/a\t\r\n");
    EXPECT_EQ(FormatRow(row, OutputFormat::Jsonl, layout),
              "{\"size\":1024,\"bits\":null,\"linkTime\":\"1970-01-01T00:00:00Z\",\"managed\":true,"
              "\"fileName\":\"/a/b.dll\",\"machine\":\"i386\",\"sha256\":null,\"foundUnder\":\"/a\"}\n");
    EXPECT_EQ(FormatHeading(OutputFormat::Tsv, RowLayout::WindowColumns(true)),
              "Prod Ver\tFile Ver\tDate Ver\tBit\tCompany\tFilename\t\r\n");
}

// A row of system information has no module facts: its label and value
// go to the fields that say so.
TEST(RowFormatsTest, SystemInformationRowsCarryTheirLabelAndValue)
{
    const RowLayout layout({Field::InfoLabel, Field::InfoValue, Field::Sha256, Field::FileName}, false);
    dllVersionInfo os;
    os.SetProductVersion("OS Version");
    os.SetFileVersion("6.1");
    EXPECT_EQ(FormatRow(os, OutputFormat::Jsonl, layout),
              "{\"infoLabel\":\"OS Version\",\"infoValue\":\"6.1\",\"sha256\":null,\"fileName\":null}\n");
    dllVersionInfo identifier = Record("Intel64 Family 6", "", 0);
    identifier.SetProductVersion("Processor 0");
    identifier.SetFileVersion("Identifier");
    EXPECT_EQ(FormatRow(identifier, OutputFormat::Jsonl, layout),
              "{\"infoLabel\":\"Processor 0 Identifier\",\"infoValue\":\"Intel64 Family 6\",\"sha256\":null,"
              "\"fileName\":null}\n");
    EXPECT_EQ(FormatRow(ModuleRecord("/a/b.dll", "Co", 32), OutputFormat::Jsonl, layout),
              "{\"infoLabel\":null,\"infoValue\":null,\"sha256\":null,\"fileName\":\"/a/b.dll\"}\n");
}

// Escape and OSC sequences from a tree never reach a terminal as such.
TEST(TerminalTextTest, ControlsAreMaskedOnATerminalAndEscapedInMessages)
{
    const std::string hostile =
        "a\x1b]0;OWNED\x07"
        "b\x1b[2J\xC2\x9B"
        "c\xFF\\d\xC3\xA9";
    EXPECT_EQ(support::EscapedForTerminal(hostile), "a\\x1b]0;OWNED\\x07b\\x1b[2J\\xc2\\x9bc\\xff\\\\d\xC3\xA9");
    EXPECT_EQ(support::MaskedForTerminal(hostile, true), "a?]0;OWNED?b?[2J?c?\\d\xC3\xA9");
    EXPECT_EQ(support::MaskedForTerminal("a\x1b\x9b\xe9", false), "a?\x9b\xe9");

    dllVersionInfo row = Record("/t/\x1b[2J.dll", "\x1b]0;OWNED\x07", 32);
    EXPECT_EQ(FormatRow(row, OutputFormat::Tsv, RowLayout::WindowColumns(), {}, true),
              "6.000100.7602.751400\t10.000000.19041.000100\t07/12/2026  09:05\t32\t?]0;OWNED?\t/t/?[2J.dll\t\r\n");
    EXPECT_EQ(FormatRow(row, OutputFormat::Tsv),
              "6.000100.7602.751400\t10.000000.19041.000100\t07/12/2026  09:05\t32\t"
              "\x1b]0;OWNED\x07\t/t/\x1b[2J.dll\t\r\n")
        << "a pipe gets the bytes";
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

// Two load lists of one program, a day apart: the tree of the new one marks
// what moved, what came and what went, the old copy beside it.
TEST(CompareTreeTest, MarksEachLineThatDiffersWithTheOldCopy)
{
    const std::string row = R"({"program":"app.exe","importName":"%s","importedBy":"%s","depth":%d,)"
                            R"("loadKind":"%s","foundBy":"%s","fileName":%s,"machine":"amd64","problem":"%s",)"
                            R"("builtin":false,"fileVersionNumber":null})";
    const auto line = [&](const char* name, const char* by, int depth, const char* kind, const char* rule,
                          const char* file, const char* problem) {
        char text[512];
        std::snprintf(text, sizeof text, row.c_str(), name, by, depth, kind, rule, file, problem);
        return std::string(text) + "\n";
    };
    const std::string before = line("app.exe", "", 0, "program", "given", "\"/a/app.exe\"", "") +
                               line("zlib.dll", "app.exe", 1, "static", "system", "\"/w/system32/zlib.dll\"", "") +
                               line("gone.dll", "app.exe", 1, "static", "appdir", "\"/a/gone.dll\"", "");
    const std::string after = line("app.exe", "", 0, "program", "given", "\"/a/app.exe\"", "") +
                              line("zlib.dll", "app.exe", 1, "static", "appdir", "\"/a/zlib.dll\"", "") +
                              line("new.dll", "zlib.dll", 2, "static", "missing", "null", "missing");
    TempTree tree;
    tree.AddFile("old.jsonl", before);
    tree.AddFile("new.jsonl", after);
    const auto compare = [&](const std::string& oldFile, const std::string& newFile, std::string& text) {
        ParseResult parsed = Parse({"--compare", "--tree", "-q", tree.PathOf(oldFile), tree.PathOf(newFile)});
        EXPECT_EQ(parsed.error, "");
        std::FILE* out = std::tmpfile();
        const int status = RunConsoleCompare(parsed.options, stdin, out, stderr);
        std::rewind(out);
        char buffer[4096];
        text.assign(buffer, std::fread(buffer, 1, sizeof buffer, out));
        std::fclose(out);
        return status;
    };
    std::string text;
    EXPECT_EQ(compare("old.jsonl", "new.jsonl", text), 1);
    EXPECT_EQ(text,
              "app.exe => given /a/app.exe amd64\n"
              "    zlib.dll => appdir /a/zlib.dll amd64  << was system /w/system32/zlib.dll\n"
              "        new.dll => NOT FOUND  << new\n"
              "    gone.dll  << no longer loaded, was appdir /a/gone.dll\n");
    EXPECT_EQ(compare("new.jsonl", "new.jsonl", text), 0);
    EXPECT_EQ(text.find("<<"), std::string::npos) << text;
}

}  // namespace
