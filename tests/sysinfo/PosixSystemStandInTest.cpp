// The POSIX stand-in's answers where they follow Windows' rules.
#include <gtest/gtest.h>

#include <cctype>
#include <cstdlib>
#include <string>

#include "TempTree.h"
#include "platform/posix/system/cpu_identity.h"
#include "platform/posix/system/os_version.h"
#include "platform/posix/win32_api.h"

namespace {

TEST(CpuIdentity, CombinesExtendedFieldsAsWindowsShowsThem)
{
    struct Case {
        const char* vendor;
        uint32_t signature;
        bool sixtyFourBit;
        const char* identifier;
    } cases[] = {
        {"GenuineIntel", 0x000906EA, true, "Intel64 Family 6 Model 158 Stepping 10"},
        {"AuthenticAMD", 0x00A20F12, true, "AMD64 Family 25 Model 33 Stepping 2"},
        {"AuthenticAMD", 0x00B40F40, true, "AMD64 Family 26 Model 68 Stepping 0"},
        // Extended fields count only for the families named above.
        {"GenuineIntel", 0x0FF10543, false, "x86 Family 5 Model 4 Stepping 3"},
        {"CentaurHauls", 0x0F0006A1, true, "AMD64 Family 6 Model 10 Stepping 1"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(posix::ProcessorIdentifier(posix::IdentityFromSignature(c.vendor, c.signature), c.sixtyFourBit),
                  c.identifier);
    }
}

TEST(OsVersionStandIn, ReadsTheKernelReleaseAndChecksTheRecordSize)
{
    const system_facts::OsVersion version = posix::OsVersionFromRelease("6.18.44-fc-v1300");
    EXPECT_EQ(version.major, 6u);
    EXPECT_EQ(version.minor, 18u);
    EXPECT_EQ(version.build, 44u);
    EXPECT_EQ(posix::OsVersionFromRelease("5").minor, 0u);

    OSVERSIONINFOA wrongSize = {};
    wrongSize.dwOSVersionInfoSize = 100;
    EXPECT_FALSE(GetVersionExA(&wrongSize));
    OSVERSIONINFOEXA extended = {};
    extended.dwOSVersionInfoSize = sizeof extended;
    ASSERT_TRUE(GetVersionExA(reinterpret_cast<OSVERSIONINFOA*>(&extended)));
    EXPECT_EQ(extended.dwPlatformId, 2u);
    EXPECT_STREQ(extended.szCSDVersion, "");
    EXPECT_EQ(extended.wProductType, 1);
}

TEST(SystemDirectoryStandIn, IsThePrefixsSystem32WhenItExists)
{
    TempTree prefix;
    prefix.AddDirectory("drive_c/windows/system32");
    const char* previous = std::getenv("WINEPREFIX");
    const std::string kept = previous ? previous : "";
    setenv("WINEPREFIX", prefix.Root().c_str(), 1);
    char directory[MAX_PATH];
    const std::string expected = prefix.Root() + "/drive_c/windows/system32";
    EXPECT_EQ(GetSystemDirectoryA(directory, 4), expected.size() + 1);
    EXPECT_EQ(GetSystemDirectoryA(directory, MAX_PATH), expected.size());
    EXPECT_EQ(directory, expected);
    setenv("WINEPREFIX", (prefix.Root() + "/none").c_str(), 1);
    GetSystemDirectoryA(directory, MAX_PATH);
    EXPECT_STREQ(directory, "/usr/lib");
    previous ? setenv("WINEPREFIX", kept.c_str(), 1) : unsetenv("WINEPREFIX");
}

}  // namespace

TEST(ComputerNameStandIn, TellsTheSizeItNeedsAndCopiesOnlyWhenItFits)
{
    DWORD size = 0;
    EXPECT_FALSE(GetComputerNameExA(ComputerNameDnsHostname, nullptr, &size));
    EXPECT_EQ(GetLastError(), 234u);  // ERROR_MORE_DATA
    ASSERT_GT(size, 1u);

    std::string name(size, '#');
    DWORD tooSmall = size - 1;
    EXPECT_FALSE(GetComputerNameExA(ComputerNameDnsHostname, name.data(), &tooSmall));
    EXPECT_EQ(tooSmall, size);
    EXPECT_EQ(name, std::string(size, '#'));

    DWORD fits = size;
    ASSERT_TRUE(GetComputerNameExA(ComputerNameDnsHostname, name.data(), &fits));
    EXPECT_EQ(fits, size - 1);
    EXPECT_EQ(name.find('.'), std::string::npos);

    char netbios[64] = "";
    DWORD netbiosSize = sizeof netbios;
    ASSERT_TRUE(GetComputerNameExA(ComputerNameNetBIOS, netbios, &netbiosSize));
    for (DWORD i = 0; i < fits; ++i) EXPECT_EQ(netbios[i], std::toupper(static_cast<unsigned char>(name[i])));
}
