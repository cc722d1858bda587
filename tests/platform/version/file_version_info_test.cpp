// GetFileVersionInfoSizeA / GetFileVersionInfoA on well-formed modules:
// sizes, copies, language choice and error codes, as measured under Wine.
#include "platform/posix/version/user_language.h"
#include "version_test_support.h"

#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace version_test {
namespace {

using crafted::Bytes;

class FileVersionInfo : public ScratchTest {};

const Bytes kBlock32 = crafted::EncodeBlock32(crafted::VersionTree(SampleInfo()));
const Bytes kBlock16 = crafted::EncodeBlock16(crafted::VersionTree(SampleInfo()));

TEST_F(FileVersionInfo, PeSizeIsTwiceTheResourcePlusFourAndCopyEndsWithFe2x)
{
    for (bool pe32Plus : {false, true}) {
        const std::string path = Write("module.dll", crafted::BuildPeWithVersion(kBlock32, 0x0409, pe32Plus).bytes);
        DWORD handle = 7;
        SetLastError(0xDEAD);
        ASSERT_EQ(GetFileVersionInfoSizeA(path.c_str(), &handle), kBlock32.size() * 2 + 4);
        EXPECT_EQ(handle, 0u);
        EXPECT_EQ(GetLastError(), 0u);

        const auto copy = ReadVersionInfo(path);
        ASSERT_EQ(copy.size(), kBlock32.size() * 2 + 4);
        EXPECT_TRUE(std::equal(kBlock32.begin(), kBlock32.end(), copy.begin()));
        EXPECT_EQ(std::memcmp(copy.data() + kBlock32.size(), "FE2X", 4), 0);
        EXPECT_EQ(copy.back(), 0xCC) << "the second half is left as it was";
    }
}

TEST_F(FileVersionInfo, NeSizeIsShiftedLengthLessFixedInfoTimesFour)
{
    for (WORD shift : {0, 4, 9}) {
        crafted::NeOptions options;
        options.alignmentShift = shift;
        options.resources.push_back({0x8010, 0x8001, kBlock16});
        const std::string path = Write("module.dll", crafted::BuildNe(options).bytes);
        const DWORD unit = 1u << shift;
        const DWORD stored = (static_cast<DWORD>(kBlock16.size()) + unit - 1) / unit * unit;
        ASSERT_EQ(GetFileVersionInfoSizeA(path.c_str(), nullptr), (stored - 52) * 4) << shift;

        const auto copy = ReadVersionInfo(path);
        EXPECT_TRUE(std::equal(kBlock16.begin(), kBlock16.end(), copy.begin()));
        EXPECT_EQ(copy[stored], 0xCC) << "no FE2X behind a 16-bit block";
    }
}

TEST_F(FileVersionInfo, CopyIsCutAtTheBufferAndFe2xNeedsRoomForAllFourBytes)
{
    const std::string path = Write("module.dll", crafted::BuildPeWithVersion(kBlock32).bytes);
    const DWORD wLength = static_cast<DWORD>(kBlock32.size());
    for (DWORD length : {wLength + 3, wLength + 4}) {
        std::vector<std::uint8_t> buffer(length + 8, 0xCC);
        ASSERT_TRUE(GetFileVersionInfoA(path.c_str(), 0, length, buffer.data()));
        EXPECT_EQ(std::memcmp(buffer.data() + wLength, "FE2X", 4) == 0, length == wLength + 4);
        EXPECT_EQ(buffer[length], 0xCC);
    }
    // A short buffer gets a prefix; its wLength is cut so that queries stay
    // inside it and the text conversion has room behind it.
    std::vector<std::uint8_t> buffer(40, 0xCC);
    ASSERT_TRUE(GetFileVersionInfoA(path.c_str(), 0, 32, buffer.data()));
    EXPECT_TRUE(std::equal(kBlock32.begin() + 2, kBlock32.begin() + 32, buffer.begin() + 2));
    EXPECT_EQ(crafted::GetU16(Bytes(buffer.begin(), buffer.end()), 0), (32 - 4) / 2);
    EXPECT_EQ(buffer[32], 0xCC);
    EXPECT_FALSE(QueryValue(buffer.data(), "\\").found);
}

// The block of each language names its language in CompanyName.
struct LanguageCase {
    const char* lcAll;
    const char* lang;
    std::vector<WORD> languages;
    WORD expected;
};

TEST_F(FileVersionInfo, LanguageOrderIsNeutralUserUserNeutralEnglishThenFirst)
{
    const LanguageCase cases[] = {
        {"C", nullptr, {0x0000, 0x0409}, 0x0000},
        {"de_DE", nullptr, {0x0000, 0x0007}, 0x0000},
        {"C", nullptr, {0x0405, 0x0409}, 0x0409},
        {"de_DE.UTF-8", nullptr, {0x0405, 0x0407, 0x0409}, 0x0407},
        {"de_AT", nullptr, {0x0007, 0x0C07}, 0x0C07},
        {"de_AT", nullptr, {0x0007, 0x0409}, 0x0007},
        {"de_AT", nullptr, {0x0405, 0x0407}, 0x0405},  // no step to the primary's default
        {"C", nullptr, {0x0009, 0x0405}, 0x0009},
        {"en_AU", nullptr, {0x0405, 0x0406, 0x0809}, 0x0405},
        {"fr_CA", nullptr, {0x000C, 0x0409, 0x0C0C}, 0x0C0C},
        {nullptr, "fr_FR.UTF-8", {0x0407, 0x040C}, 0x040C},
        {"de_DE", "fr_FR", {0x0407, 0x040C}, 0x0407},
        {nullptr, nullptr, {0x0407, 0x0409}, 0x0409},
    };
    for (const LanguageCase& c : cases) {
        crafted::PeOptions options;
        for (WORD language : c.languages) {
            char name[8];
            std::snprintf(name, sizeof name, "%04X", language);
            options.resources.push_back(
                {16, 1, language, crafted::EncodeBlock32(crafted::VersionTree(SampleInfo(name)))});
        }
        const std::string path = Write("languages.dll", crafted::BuildPe(options).bytes);
        SetLocale(c.lcAll, c.lang);
        const auto copy = ReadVersionInfo(path);
        char expected[8];
        std::snprintf(expected, sizeof expected, "%04X", c.expected);
        EXPECT_EQ(QueryValue(copy.data(), "\\StringFileInfo\\040904B0\\CompanyName").Text(), std::string(expected, 5))
            << (c.lcAll ? c.lcAll : "-") << " / " << (c.lang ? c.lang : "-");
    }
}

TEST(VersionUserLanguage, LocaleNamesMapToLangIds)
{
    const std::pair<const char*, WORD> cases[] = {
        {"en_US.UTF-8", 0x0409}, {"de_DE", 0x0407},   {"de_AT.ISO-8859-1", 0x0C07},
        {"de", 0x0407},          {"de_LI", 0x0407},   {"en_GB.UTF-8@euro", 0x0809},
        {"pt_BR", 0x0416},       {"zh_TW", 0x0404},   {"C", 0x0409},
        {"POSIX", 0x0409},       {"C.UTF-8", 0x0409}, {"", 0x0409},
        {"xx_YY", 0x0409},
    };
    for (const auto& [name, language] : cases)
        EXPECT_EQ(version_reader::LanguageFromLocaleName(name), language) << name;
}

TEST_F(FileVersionInfo, FailuresReportWhyAndZeroTheHandle)
{
    crafted::PeOptions manifestOnly;
    manifestOnly.resources.push_back({24, 1, 0x0409, Bytes(20, 'x')});
    crafted::PeOptions versionId2;  // only integer id 1 is the version resource
    versionId2.resources.push_back({16, 2, 0x0409, kBlock32});
    crafted::NeOptions neOther;
    neOther.resources.push_back({0x8006, 0x8001, kBlock16});
    crafted::NeOptions neTiny;
    neTiny.alignmentShift = 0;
    neTiny.resources.push_back({0x8010, 0x8001, Bytes{50, 0, 0, 0}});
    Bytes mzOnly(200, 0);
    mzOnly[0] = 'M';
    mzOnly[1] = 'Z';
    const std::pair<std::string, DWORD> cases[] = {
        {PathOf("missing.dll"), ERROR_FILE_NOT_FOUND},
        {PathOf("nowhere/missing.dll"), ERROR_PATH_NOT_FOUND},
        {Write("text.txt", Bytes{'h', 'i', '\n'}) + "/x.dll", ERROR_PATH_NOT_FOUND},
        {PathOf(""), ERROR_ACCESS_DENIED},  // the directory itself
        {"", 161},
        {Write("text.txt", Bytes{'h', 'i', '\n'}), ERROR_RESOURCE_DATA_NOT_FOUND},
        {Write("mz.exe", mzOnly), ERROR_RESOURCE_DATA_NOT_FOUND},
        {Write("nores.dll", crafted::BuildPe({}).bytes), ERROR_RESOURCE_DATA_NOT_FOUND},
        {Write("manifest.dll", crafted::BuildPe(manifestOnly).bytes), ERROR_RESOURCE_DATA_NOT_FOUND},
        {Write("id2.dll", crafted::BuildPe(versionId2).bytes), ERROR_RESOURCE_DATA_NOT_FOUND},
        {Write("nenores.dll", crafted::BuildNe({}).bytes), ERROR_RESOURCE_DATA_NOT_FOUND},
        {Write("neother.dll", crafted::BuildNe(neOther).bytes), ERROR_RESOURCE_DATA_NOT_FOUND},
        {Write("netiny.dll", crafted::BuildNe(neTiny).bytes), ERROR_RESOURCE_DATA_NOT_FOUND},
    };
    for (const auto& [path, error] : cases) {
        DWORD handle = 7;
        SetLastError(0);
        EXPECT_EQ(GetFileVersionInfoSizeA(path.c_str(), &handle), 0u) << path;
        EXPECT_EQ(handle, 0u);
        EXPECT_EQ(GetLastError(), error) << path;
        char buffer[64];
        SetLastError(0);
        EXPECT_FALSE(GetFileVersionInfoA(path.c_str(), 0, sizeof buffer, buffer)) << path;
        EXPECT_EQ(GetLastError(), error) << path;
    }
    SetLastError(0);
    EXPECT_EQ(GetFileVersionInfoSizeA(nullptr, nullptr), 0u);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    EXPECT_FALSE(GetFileVersionInfoA(PathOf("missing.dll").c_str(), 0, 10, nullptr));
    EXPECT_EQ(GetLastError(), 13u) << "no buffer is checked first";
}

TEST_F(FileVersionInfo, FileOpenedWithoutSharingIsASharingViolation)
{
    const std::string path = Write("locked.dll", crafted::BuildPeWithVersion(kBlock32).bytes);
    const int fd = open(path.c_str(), O_RDONLY);
    ASSERT_EQ(flock(fd, LOCK_EX | LOCK_NB), 0);  // what CreateFileA with share mode 0 holds
    EXPECT_EQ(GetFileVersionInfoSizeA(path.c_str(), nullptr), 0u);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
    char buffer[16];
    EXPECT_FALSE(GetFileVersionInfoA(path.c_str(), 0, sizeof buffer, buffer));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
    close(fd);
    EXPECT_NE(GetFileVersionInfoSizeA(path.c_str(), nullptr), 0u);
}

}  // namespace
}  // namespace version_test
