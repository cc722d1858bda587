#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <map>
#include <regex>
#include <string>

#include "TempTree.h"
#include "engine/ScanEngine.h"
#include "engine/VersionNumbers.h"
#include "module_fixtures.h"
#include "platform/path_style.h"

namespace {

namespace fs = std::filesystem;
using modaris::fixtures::module_fixtures;

struct Row {
    std::string company, productVersion, fileVersion, date;
    int bits;
};

// Walks `directory` with the empty filter and every bitness; rows by path.
std::map<std::string, Row> InspectAll(const std::string& directory, int* found = nullptr)
{
    CScanEngine engine;
    engine.m_filters.Add("");
    engine.m_include16Bit = engine.m_includeUnknownBits = 1;
    engine.m_keepScanning = 1;
    engine.ScanDirectory(directory.c_str());
    CTypedPtrArray<CPtrArray, dllVersionInfo*> taken;
    engine.TakePendingResults(taken);
    std::map<std::string, Row> rows;
    for (int i = 0; i < taken.GetSize(); ++i) {
        dllVersionInfo* r = taken[i];
        rows[r->GetFileName()] = Row{r->GetCompany(), r->GetProductVersion(), r->GetFileVersion(), r->GetDate(),
                                     r->GetBits()};
        delete r;
    }
    if (found) *found = engine.m_foundCount;
    return rows;
}

std::string RowPath(const std::string& directory, const std::string& name)
{
    std::string path = directory + platform::kPathSeparator + name;
    if (platform::kUpperCaseRowPaths) {
        for (char& c : path) c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 32 : c);
    }
    return path;
}

TEST(ModuleReport, ReadsVersionsCompanyDateAndBitnessOfRealModules)
{
    TempTree tree;
    for (const auto& fixture : module_fixtures) {
        fs::copy_file(fs::path(MODARIS_MODULE_FIXTURE_DIR) / fixture.file_name,
                      tree.PathOf(std::string(fixture.file_name)));
    }
    int found = 0;
    const std::map<std::string, Row> rows = InspectAll(tree.Root(), &found);
    EXPECT_EQ(found, static_cast<int>(std::size(module_fixtures)));

    const std::regex dateForm("\\d\\d/\\d\\d/\\d{4}  \\d\\d:\\d\\d");
    for (const auto& fixture : module_fixtures) {
        const std::string name(fixture.file_name);
        const auto row = rows.find(RowPath(tree.Root(), name));
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

TEST(ModuleReport, AFileWithoutVersionResourceStillGivesARow)
{
    TempTree tree;
    tree.AddFile("plain.dll", "not a module at all");
    const std::map<std::string, Row> rows = InspectAll(tree.Root());
    ASSERT_EQ(rows.size(), 1u);
    const Row& row = rows.begin()->second;
    EXPECT_EQ(row.productVersion, "0.000000.0.000000");
    EXPECT_EQ(row.fileVersion, "0.000000.0.000000");
    EXPECT_EQ(row.company, "");
    EXPECT_EQ(row.bits, 0);  // too short for a header
    EXPECT_FALSE(row.date.empty());
}

#ifndef _WIN32
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
    const std::map<std::string, Row> rows = InspectAll(tree.Root());
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows.begin()->second.date, "07/12/2026  09:05");

    if (previous) setenv("TZ", saved.c_str(), 1); else unsetenv("TZ");
    tzset();
}
#endif

}  // namespace
