#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <map>
#include <regex>
#include <set>
#include <utility>
#include <string>

#include "TakenRows.h"
#include "TempTree.h"
#include "engine/VersionNumbers.h"
#include "module_fixtures.h"

#ifndef _WIN32
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#endif

namespace {

namespace fs = std::filesystem;
using modaris::fixtures::module_fixtures;

// Walks `directory` with the empty filter and every bitness.
std::vector<TakenRow> ScanRows(const std::string& directory, int* found = nullptr)
{
    CScanEngine engine;
    TakeEveryModuleOf(engine, directory);
    engine.m_keepScanning = 1;
    engine.ScanDirectory(directory.c_str());
    if (found) *found = engine.m_foundCount;
    return TakeRows(engine);
}

// The same rows by path.
std::map<std::string, TakenRow> ScanAll(const std::string& directory, int* found = nullptr)
{
    std::map<std::string, TakenRow> rows;
    for (const TakenRow& row : ScanRows(directory, found)) rows[row.fileName] = row;
    return rows;
}

fs::path FixturePath(const char* name)
{
    return fs::path(MODARIS_MODULE_FIXTURE_DIR) / name;
}

TEST(ModuleReport, ReadsVersionsCompanyDateAndBitnessOfRealModules)
{
    TempTree tree;
    for (const auto& fixture : module_fixtures) {
        fs::copy_file(FixturePath(fixture.file_name.c_str()), tree.PathOf(fixture.file_name));
    }
    int found = 0;
    const std::map<std::string, TakenRow> rows = ScanAll(tree.Root(), &found);
    EXPECT_EQ(found, static_cast<int>(std::size(module_fixtures)));

    const std::regex dateForm("\\d\\d/\\d\\d/\\d{4}  \\d\\d:\\d\\d");
    for (const auto& fixture : module_fixtures) {
        const std::string name(fixture.file_name);
        const auto row = rows.find(RowPathOf(tree.PathOf(name)));
        ASSERT_NE(row, rows.end()) << name;
        EXPECT_EQ(row->second.productVersion,
                  std::string(FormatVersionText(VersionWordsToNumber(fixture.product_version_ms),
                                                VersionWordsToNumber(fixture.product_version_ls))))
            << name;
        EXPECT_EQ(row->second.fileVersion,
                  std::string(FormatVersionText(VersionWordsToNumber(fixture.file_version_ms),
                                                VersionWordsToNumber(fixture.file_version_ls))))
            << name;
        EXPECT_EQ(row->second.company, fixture.company_name) << name;
        EXPECT_EQ(row->second.bits, fixture.bitness) << name;
        EXPECT_TRUE(std::regex_match(row->second.date, dateForm)) << name << ": " << row->second.date;
    }
}

// Where case tells files apart (Linux, also under Wine; a case-sensitive
// folder on Windows), two names that differ only in case are two modules,
// although Windows shows both rows with the same upper-cased path.
TEST(ModuleReport, NamesThatDifferOnlyInCaseAreEachReadFromTheirOwnFile)
{
    const std::vector<TakenRow> rows = ScanRows(MODARIS_CASE_TWINS_DIR);
    if (rows.size() == 1) GTEST_SKIP() << "this file system ignores case";
    std::multiset<std::pair<int, std::string>> read;
    for (const TakenRow& row : rows) read.emplace(row.bits, row.productVersion);
    const std::multiset<std::pair<int, std::string>> expected{{32, "1.000200.3.000400"}, {64, "10000.000000.7.553500"}};
    EXPECT_EQ(read, expected);
}

#ifndef _WIN32
// Each row is read through one open; a module another program holds gives
// what separate opens give: shared, its versions but no date or bitness;
// exclusively, nothing but its name. The lock goes with the inspection.
TEST(ModuleReport, AModuleHeldByAnotherProgramGivesWhatSeparateOpensGive)
{
    TempTree tree;
    const auto& fixture = module_fixtures[0];
    const std::string path = tree.PathOf(fixture.file_name);
    fs::copy_file(FixturePath(fixture.file_name.c_str()), path);
    const TakenRow free = ScanAll(tree.Root()).at(RowPathOf(path));
    ASSERT_FALSE(free.date.empty());
    ASSERT_NE(free.bits, 0);

    const int holder = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_EQ(flock(holder, LOCK_SH | LOCK_NB), 0);
    const TakenRow shared = ScanAll(tree.Root()).at(RowPathOf(path));
    EXPECT_EQ(shared.productVersion, free.productVersion);
    EXPECT_EQ(shared.fileVersion, free.fileVersion);
    EXPECT_EQ(shared.company, free.company);
    EXPECT_EQ(shared.date, "");
    EXPECT_EQ(shared.bits, 0);

    ASSERT_EQ(flock(holder, LOCK_EX | LOCK_NB), 0);
    const TakenRow held = ScanAll(tree.Root()).at(RowPathOf(path));
    EXPECT_EQ(held.company, "");
    EXPECT_EQ(held.date, "");
    EXPECT_EQ(held.bits, 0);
    close(holder);

    const TakenRow again = ScanAll(tree.Root()).at(RowPathOf(path));
    EXPECT_EQ(again.date, free.date);
    EXPECT_EQ(again.bits, free.bits);
    EXPECT_EQ(again.company, free.company);
}

// The date is the last-write time in the zone's offset in force now.
TEST(ModuleReport, TheDateIsLocalDayMonthYearHourMinute)
{
    const char* previous = std::getenv("TZ");
    const std::string saved = previous ? previous : "";
    setenv("TZ", "MODARIS-1", 1);  // one hour east of UTC, all year
    tzset();

    TempTree tree;
    tree.AddFile("dated.dll", "x");
    // 7 December 2026, 08:05:59 UTC.
    const auto written = std::chrono::system_clock::from_time_t(1796630759);
    fs::last_write_time(tree.PathOf("dated.dll"),
                        fs::file_time_type::clock::now() + (written - std::chrono::system_clock::now()));
    const std::map<std::string, TakenRow> rows = ScanAll(tree.Root());
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows.begin()->second.date, "07/12/2026  09:05");

    if (previous) setenv("TZ", saved.c_str(), 1);
    else unsetenv("TZ");
    tzset();
}
#endif

}  // namespace

#ifdef _WIN32
namespace {

// A long name the ANSI code page cannot spell lists as "??.DLL", which names
// no file: the module is read through its short name, and the row keeps the
// name as listed.
TEST(ModuleReport, ANameTheCodePageCannotSpellIsReadThroughItsShortName)
{
    TempTree tree;
    const fs::path unspellable = fs::path(tree.Root()) / fs::path(L"\u65E5\u672C.dll");
    fs::copy_file(FixturePath("v1_2_3_4_x86.dll"), unspellable);
    const std::vector<TakenRow> rows = ScanRows(tree.Root());
    ASSERT_EQ(rows.size(), 1u);
    if (rows[0].fileName.find('?') == std::string::npos) GTEST_SKIP() << "this code page spells the name";
    EXPECT_EQ(rows[0].fileName, RowPathOf(tree.PathOf("??.dll")));
    EXPECT_EQ(rows[0].productVersion,
              std::string(FormatVersionText(VersionWordsToNumber(0x00010002), VersionWordsToNumber(0x00030004))));
    EXPECT_EQ(rows[0].bits, 32);
    EXPECT_FALSE(rows[0].date.empty());
}

}  // namespace
#endif
