#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "sysinfo/OsVersionProbe.h"
#include "OsVersionProbeTesting.h"

#ifndef _WIN32
#include "TempTree.h"
#include "crafted_images.h"
#include "injected_facts/platform_facts.h"
#endif

namespace {

#ifndef _WIN32

using platform_facts::OsVersion;
using platform_facts::Overrides;
using platform_facts::WorkstationVersion;

// A kernel32 whose version resource has one string table per text, each
// under its own translation, in the order given.
std::string WriteKernel32(const TempTree& tree, const std::vector<std::string>& productVersions)
{
    crafted::VersionInfo info;
    for (std::size_t i = 0; i < productVersions.size(); ++i) {
        const std::uint16_t codePage = static_cast<std::uint16_t>(0x04B0 + i);
        char key[9];
        std::snprintf(key, sizeof key, "0409%04X", codePage);
        info.stringTables.push_back({key, {{"ProductVersion", productVersions[i]}}});
        info.translations.push_back(0x0409u | static_cast<std::uint32_t>(codePage) << 16);
    }
    const std::string path = tree.PathOf("kernel32.dll");
    crafted::WriteFile(path, crafted::BuildPeWithVersion(crafted::EncodeBlock32(crafted::VersionTree(info))).bytes);
    return path;
}

struct ProbeCase {
    const char* name;
    OsVersion reported;
    WorkstationVersion workstation;
    std::vector<std::string> kernelProductVersions;
    std::vector<std::string> missing;  // modules (with a dot) or functions
    DWORD major, minor, build, platformId;
    DWORD workstationFailure = 0;
};

const OsVersion kWindows8{6, 2, 9200, 2, "Service Pack 1"};
const OsVersion kOddPlatform{6, 2, 9200, 1, ""};
const WorkstationVersion kWindows10{10, 0, 500};

const ProbeCase kProbeCases[] = {
    {"EqualLeavesTheReportedBuild", kWindows8, {6, 2, 500}, {"6.2.9999.1"}, {}, 6, 2, 9200, 2},
    {"LowerChangesNothing", {10, 0, 19041, 2, ""}, {6, 3, 500}, {"6.3.9600.1"}, {}, 10, 0, 19041, 2},
    {"MajorHigherTakesKernelsBuild", kOddPlatform, kWindows10, {"10.0.19041.1"}, {}, 10, 0, 19041, 2},
    {"MinorHigherTakesKernelsBuild", kWindows8, {6, 3, 500}, {"6.3.9600.17415"}, {}, 6, 3, 9600, 2},
    {"PlatformOtherThan500StaysReported", kOddPlatform, {10, 0, 400}, {"10.0.19041.1"}, {}, 10, 0, 19041, 1},
    {"ThirdNumberAbove65535IsCut", kWindows8, kWindows10, {"10.0.70000.1"}, {}, 10, 0, 70000 - 65536, 2},
    {"LastTranslationDecides", kWindows8, kWindows10, {"10.0.1.1", "junk", "10.0.22621.1"}, {}, 10, 0, 22621, 2},
    {"ThirdWithoutDigitsReadsAs0", kWindows8, kWindows10, {"10.0. beta"}, {}, 10, 0, 0, 2},
    {"TextEndingBeforeThirdSetsNothing", kWindows8, kWindows10, {"10.0"}, {}, 10, 0, 9200, 2},
    {"NoProductVersionKeepsBuild", kWindows8, kWindows10, {}, {}, 10, 0, 9200, 2},
    {"Netapi32MissingChangesNothing", kWindows8, kWindows10, {"10.0.19041.1"}, {"NETAPI32.DLL"}, 6, 2, 9200, 2},
    {"BufferFreeMissingChangesNothing", kWindows8, kWindows10, {"10.0.19041.1"}, {"NetApiBufferFree"}, 6, 2, 9200, 2},
    {"VersionFunctionMissingKeepsBuild", kWindows8, kWindows10, {"10.0.19041.1"}, {"VerQueryValueA"}, 10, 0, 9200, 2},
    {"VersionDllMissingKeepsBuild", kWindows8, kWindows10, {"10.0.19041.1"}, {"version.dll"}, 10, 0, 9200, 2},
    {"FailingWorkstationCallChangesNothing", kWindows8, kWindows10, {"10.0.19041.1"}, {}, 6, 2, 9200, 2, 2138},
    // 127 bytes, the last two one letter: copied whole.
    {"LongServicePackIsCopiedWhole",
     {6, 2, 9200, 2, std::string(125, 'x') + "\xC3\xA9"},
     {6, 2, 500},
     {},
     {},
     6,
     2,
     9200,
     2},
};

class OsVersionProbeCases : public ::testing::TestWithParam<ProbeCase> {};

TEST_P(OsVersionProbeCases, CorrectsAsTheWorkstationAndKernelSay)
{
    const ProbeCase& c = GetParam();
    TempTree tree;
    Overrides overrides;
    overrides.osVersion = c.reported;
    overrides.workstationVersion = c.workstation;
    overrides.workstationFailure = c.workstationFailure;
    overrides.kernel32File = WriteKernel32(tree, c.kernelProductVersions);
    for (const std::string& name : c.missing) {
        (name.find('.') != std::string::npos ? overrides.missingModules : overrides.missingFunctions).insert(name);
    }
    platform_facts::ScopedOverrides scoped(overrides);
    ResetOsVersionProbe();

    OSVERSIONINFOA info = {};
    ASSERT_EQ(GetOsVersionInfo(&info), 1);
    EXPECT_EQ(info.dwMajorVersion, c.major);
    EXPECT_EQ(info.dwMinorVersion, c.minor);
    EXPECT_EQ(info.dwBuildNumber, c.build);
    EXPECT_EQ(info.dwPlatformId, c.platformId);
    EXPECT_STREQ(info.szCSDVersion, c.reported.servicePack.c_str());
    EXPECT_EQ(g_reportedOsVersion.dwBuildNumber, c.reported.build);
    // What the probe loaded, it released.
    EXPECT_EQ(GetModuleHandleA("netapi32.dll"), nullptr);
}

INSTANTIATE_TEST_SUITE_P(Injected, OsVersionProbeCases, ::testing::ValuesIn(kProbeCases),
                         [](const auto& test) { return std::string(test.param.name); });

#endif

}  // namespace
