// Every module the differential check found our reader to answer otherwise
// than Windows, read through the engine's block reader, against what
// module_versions.exe shows for it under Wine (tests/differential/cases/README.md;
// modules/ holds more found by a long run).
#include "platform/version_block/VersionBlock.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <ostream>
#include <string>

namespace {

struct Row {
    std::string product;
    std::string file;
    std::string company;
};

struct DifferentialCase {
    const char* module;
    const char* locale;
    Row windows;
    // Empty when ours must answer as Windows; else why it may not.
    const char* keptDifferent;
};

const Row kSample{"5.000600.7.000800", "1.000200.3.000400", "Modaris Ltd"};
const Row kNone{"0.000000.0.000000", "0.000000.0.000000", ""};

std::string Half(std::uint32_t word)
{
    char text[32];
    std::snprintf(text, sizeof text, "%f", static_cast<double>(word & 0xFFFF) * 0.0001 + (word >> 16));
    return text;
}

// The row's three cells as the engine writes them.
Row ReadRow(const std::string& path)
{
    const auto block = platform::VersionBlock::Read(platform::LinkedVersionFunctions(), path.c_str());
    Row row{Half(0) + "." + Half(0), Half(0) + "." + Half(0), ""};
    if (block.IsEmpty()) return row;
    if (const auto fixed = block.FixedInfo()) {
        row.product = Half(fixed->dwProductVersionMS) + "." + Half(fixed->dwProductVersionLS);
        row.file = Half(fixed->dwFileVersionMS) + "." + Half(fixed->dwFileVersionLS);
    }
    for (const auto& translation : block.Translations()) {
        if (const auto company = block.Text(translation, "CompanyName")) row.company = *company;
    }
    return row;
}

void PrintTo(const DifferentialCase& c, std::ostream* out)
{
    *out << c.module << " under " << c.locale;
}

class DifferentialCaseTest : public ::testing::TestWithParam<DifferentialCase> {
protected:
    void SetUp() override
    {
        const char* saved = std::getenv("LC_ALL");
        savedLocale_ = saved ? saved : "";
        setenv("LC_ALL", GetParam().locale, 1);
    }
    void TearDown() override
    {
        if (savedLocale_.empty()) unsetenv("LC_ALL");
        else setenv("LC_ALL", savedLocale_.c_str(), 1);
    }

private:
    std::string savedLocale_;
};

TEST_P(DifferentialCaseTest, AnswersAsWindows)
{
    const DifferentialCase& c = GetParam();
    const Row ours = ReadRow(std::string(MODARIS_SOURCE_DIR) + "/" + c.module);
    const bool same =
        ours.product == c.windows.product && ours.file == c.windows.file && ours.company == c.windows.company;
    const std::string shown = ours.product + " | " + ours.file + " | " + ours.company;
    if (*c.keptDifferent) {
        EXPECT_FALSE(same) << "now answers as Windows; mark it mended: " << shown;
        return;
    }
    EXPECT_EQ(ours.product, c.windows.product);
    EXPECT_EQ(ours.file, c.windows.file);
    EXPECT_EQ(ours.company, c.windows.company);
}

const char* const kUtf8 =
    "narrow texts are UTF-8 here: a text may need more bytes than its room in the copy, and a value "
    "typed as text converts to other bytes than in code page 1252";

const DifferentialCase kCases[] = {
    {"tests/differential/cases/value-longer-than-its-node.dll", "en_US.UTF-8", kSample, ""},
    {"tests/differential/cases/key-longer-than-its-node.dll", "en_US.UTF-8", kSample, ""},
    {"tests/differential/cases/resource-directory-size-8.dll", "en_US.UTF-8", kNone, ""},
    {"tests/differential/cases/resource-section-cut-by-end-of-file.dll", "en_US.UTF-8", kNone, ""},
    {"tests/differential/cases/language-entry-flagged-directory.dll", "en_US.UTF-8", kSample, ""},
    {"tests/differential/cases/language-entry-flagged-directory.dll", "de_DE.UTF-8", kSample, ""},
    {"tests/differential/cases/file-read-language-default-sublanguage.dll",
     "de_AT.UTF-8",
     {"4.000700.7.000800", "1.000200.3.000400", "Modaris Deutsch"},
     ""},
    {"tests/differential/cases/file-read-language-default-sublanguage.dll",
     "en_US.UTF-8",
     {kSample.product, kSample.file, "Modaris English"},
     ""},
    {"tests/differential/cases/ne-resource-past-end-of-file.dll", "en_US.UTF-8", kSample, ""},
    {"tests/differential/cases/ne-resource-shorter-than-its-block.dll", "en_US.UTF-8", kSample, ""},
    {"tests/differential/cases/ne-shift-32.dll", "en_US.UTF-8", kSample, ""},
    {"tests/differential/cases/root-length-below-6.dll",
     "en_US.UTF-8",
     {"95.007800.78.007300", "83.008200.79.007300", ""},
     ""},
    {"tests/differential/cases/raw-size-below-directory.dll", "en_US.UTF-8", kSample, ""},
    {"tests/differential/cases/version-data-in-headers.dll", "en_US.UTF-8", kSample, ""},
    {"tests/differential/cases/key-of-node-with-length-0.dll", "en_US.UTF-8", kSample, ""},
    {"tests/differential/cases/parent-ending-inside-its-child.dll", "en_US.UTF-8", kSample, ""},
    {"tests/differential/cases/child-past-the-root.dll",
     "en_US.UTF-8",
     {"1.000000.39621.714500", "1.000200.13909.657400", "Contoso Corporation"},
     ""},
    {"tests/differential/cases/text-filling-its-room.dll",
     "en_US.UTF-8",
     {"1.000900.58734.404000", "65541.553500.65541.553500", "*"},
     "a text longer than its room: Windows fills the room to the copy's end with no NUL, and its caller reads "
     "on past the copy; ours keeps the NUL in the room"},
    {"tests/differential/cases/ne-key-past-the-root.dll",
     "en_US.UTF-8",
     {"19.276900.13241.693600", "0.000000.65541.553500", "\xD0\xEE\xEC\xE0\xF8\xEA\xE0"},
     "a 16-bit block's walk goes on past the root's wLength on Windows, as far as the copy goes; "
     "VerQueryValueA is given only the block, and a 16-bit block's wLength is all that bounds it"},
    {"tests/differential/cases/text-past-the-block.exe",
     "en_US.UTF-8",
     {"1.103600.60480.774700", "1.000200.1.000200",
      "\xC3\x86r\xC3\xB8sk\xC3\xB8"
      "bing \xC3\x85/S"},
     ""},
    {"tests/platform/version/modules/section-shown-to-its-last-sector.exe",
     "en_US.UTF-8",
     {"1.012700.28623.865500", "65541.553500.6.000100", ""},
     ""},
    {"tests/platform/version/modules/data-from-zeros-into-next-section.dll",
     "en_US.UTF-8",
     {"32768.003200.0.002400", "2.000000.0.001600", ""},
     ""},
    {"tests/platform/version/modules/root-key-past-its-length.dll",
     "en_US.UTF-8",
     {"1.000900.17040.878100", "0.000000.62104.446900", ""},
     ""},
    {"tests/platform/version/modules/ne-root-key-past-its-length.dll",
     "en_US.UTF-8",
     {"19.276900.56597.744700", "0.000000.65541.553500", ""},
     ""},
    {"tests/differential/cases/text-longer-in-utf8-than-its-room.dll",
     "en_US.UTF-8",
     {kSample.product, kSample.file, "????????"},
     kUtf8},
    {"tests/differential/cases/root-value-typed-as-text.dll",
     "en_US.UTF-8",
     {"2.102800.0.000000", "1800.128600.0.006300", ""},
     kUtf8},
    {"tests/differential/cases/data-in-headers-root-typed-as-text.dll",
     "en_US.UTF-8",
     {"0.000000.0.000000", "0.006400.0.000000", ""},
     kUtf8},
    {"tests/differential/cases/ne-first-key-byte-root-typed-as-text.dll",
     "en_US.UTF-8",
     {"0.000000.32.000000", "0.006300.2.102800", ""},
     kUtf8},
    {"tests/differential/cases/ne-root-length-1.dll",
     "en_US.UTF-8",
     {"19.276900.47076.578200", "6.000100.28744.220500", ""},
     ""},
    {"tests/differential/cases/ne-company-in-code-page-932.dll",
     "en_US.UTF-8",
     {kSample.product, kSample.file, "\x8A\x94\x8E\xAE\x89\xEF\x8E\xD0\x83\x82\x83\x5F\x83\x8A\x83\x58"},
     "a 16-bit text is bytes of its translation's code page (932 here), which Windows returns in place and "
     "ours converts to UTF-8"},
};

INSTANTIATE_TEST_SUITE_P(Cases, DifferentialCaseTest, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<DifferentialCase>& param) {
                             const std::string path = param.param.module;
                             std::string name = path.substr(path.rfind('/') + 1) + "_" + param.param.locale;
                             for (char& ch : name) {
                                 if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
                             }
                             return name;
                         });

}  // namespace
