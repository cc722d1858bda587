// Every crafted file goes through the whole engine (walker, version
// functions, bitness probe, date): the row must be the one its table
// expects, come within a generous time and, natively, without a single read
// past the end of the file.
#include "MalformedCase.h"

#include <cstdlib>
#include <regex>

#include "ScanWithin.h"
#include "TempTree.h"
#ifndef _WIN32
#include <fcntl.h>
#include <unistd.h>

#include "ReadBoundsWatch.h"
#endif

namespace malformed {

std::string TestNameOf(std::string caseName)
{
    for (char& c : caseName) {
        const bool alphanumeric = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
        if (!alphanumeric) c = '_';
    }
    return caseName;
}

std::string CaseName(const ::testing::TestParamInfo<MalformedCase>& info)
{
    return TestNameOf(info.param.name);
}

namespace {

// Only catches a hang: the slowest file takes well under a second, also
// under the sanitizers and under Wine.
constexpr std::chrono::seconds kHangGuard{60};

TEST_P(MalformedModule, GivesItsRowInTimeWithoutReadingPastTheFile)
{
    const MalformedCase& c = GetParam();
#ifdef _WIN32
    if (c.wineUnsafe) GTEST_SKIP() << c.wineUnsafe;
    const ModuleRow expected = c.wine.value_or(c.expected);
#else
    const ModuleRow& expected = c.expected;
#endif
    const crafted::Bytes bytes = c.build();
    TempTree tree;
    tree.AddFile("crafted.dll", bytes);
    // To look at a file with other tools: MODARIS_MALFORMED_OUT=DIR keeps a copy of each.
    if (const char* keep = std::getenv("MODARIS_MALFORMED_OUT"))
        crafted::WriteFile(std::string(keep) + "/" + TestNameOf(c.name) + ".dll", bytes);

#ifndef _WIN32
    ReadBoundsWatch watch;
#endif
    const auto rows = ScanWithin(tree.Root(), kHangGuard);
    ASSERT_TRUE(rows) << "no row after " << kHangGuard.count() << " s: the file makes the engine loop";
    ASSERT_EQ(rows->size(), 1u);
    EXPECT_EQ(rows->front().row, expected);
    // The file itself opens, so its date is always there.
    EXPECT_TRUE(std::regex_match(rows->front().date, std::regex("\\d\\d/\\d\\d/\\d{4}  \\d\\d:\\d\\d")))
        << rows->front().date;
#ifndef _WIN32
    EXPECT_EQ(watch.ReadsPastTheEnd(), std::vector<std::string>{});
#endif
}

#ifndef _WIN32
// Without the link-time wrapping the watch would see nothing at all.
TEST(ReadBoundsWatch, SeesAReadPastTheEnd)
{
    TempTree tree;
    tree.AddFile("four.dll", "1234");
    const std::string path = tree.PathOf("four.dll");
    const int fd = open(path.c_str(), O_RDONLY);
    ASSERT_GE(fd, 0);
    char buffer[8];
    ReadBoundsWatch watch;
    EXPECT_EQ(pread(fd, buffer, 4, 0), 4);
    EXPECT_EQ(watch.ReadsPastTheEnd().size(), 0u);
    EXPECT_EQ(pread(fd, buffer, 2, 3), 1);
    EXPECT_EQ(read(fd, buffer, 5), 4);
    close(fd);
    EXPECT_EQ(watch.ReadsPastTheEnd(), (std::vector<std::string>{"read of 2 bytes at 3 in a file of 4 bytes",
                                                                 "read of 5 bytes at 0 in a file of 4 bytes"}));
}
#endif

}  // namespace
}  // namespace malformed
