// The POSIX stand-in's answers where they follow Windows' rules.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "TempTree.h"
#include "platform/posix/system/cpu_identity.h"
#include "platform/posix/system/netapi_api.h"
#include "platform/posix/system/os_version.h"
#include "platform/posix/system/platform_facts.h"
#include "platform/posix/system/system_errors.h"
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
    const platform_facts::OsVersion version = posix::OsVersionFromRelease("6.18.44-fc-v1300");
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

TEST(RegistryStandIn, OpensAndQueriesAsWindowsDoes)
{
    platform_facts::Overrides overrides;
    overrides.processorRegistry = platform_facts::ProcessorRegistry{true, {{0, {{"Identifier", platform_facts::TextValue("x86")}}}}};
    platform_facts::ScopedOverrides scoped(overrides);

    HKEY key = nullptr;
    EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "hardware\\Description\\SYSTEM\\centralprocessor\\0", 0, KEY_READ, &key),
              ERROR_SUCCESS);
    DWORD type = 0, size = 0;
    EXPECT_EQ(RegQueryValueExA(key, "identifier", nullptr, &type, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(size, 4u);
    char text[8] = "abcdefg";
    size = 3;
    EXPECT_EQ(RegQueryValueExA(key, "Identifier", nullptr, &type, reinterpret_cast<LPBYTE>(text), &size), ERROR_MORE_DATA);
    EXPECT_EQ(size, 4u);
    EXPECT_STREQ(text, "abcdefg");
    size = sizeof text;
    EXPECT_EQ(RegQueryValueExA(key, "Identifier", nullptr, &type, reinterpret_cast<LPBYTE>(text), &size), ERROR_SUCCESS);
    EXPECT_STREQ(text, "x86");
    EXPECT_EQ(RegQueryValueExA(key, "~MHz", nullptr, &type, nullptr, &size), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
    EXPECT_EQ(RegCloseKey(key), ERROR_INVALID_HANDLE);

    EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "HARDWARE\\DESCRIPTION\\System\\CentralProcessor\\1", 0, KEY_READ, &key),
              ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(key, nullptr);
    EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "HARDWARE", 0, KEY_READ | 0x0002, &key), ERROR_ACCESS_DENIED);
}

TEST(ModuleStandIn, CountsReferencesAndFindsExportsByName)
{
    HMODULE kernel = GetModuleHandleA("KERNEL32");
    ASSERT_NE(kernel, nullptr);
    EXPECT_EQ(reinterpret_cast<void (*)()>(GetProcAddress(kernel, "SetThreadDescription")),
              reinterpret_cast<void (*)()>(&SetThreadDescription));
    EXPECT_EQ(GetProcAddress(kernel, "Wow64DisableWow64FsRedirection"), nullptr);
    EXPECT_EQ(GetProcAddress(kernel, "setthreaddescription"), nullptr);
    EXPECT_FALSE(FreeLibrary(GetModuleHandleA("netapi32.dll")));

    HMODULE netapi = LoadLibraryA("NetApi32.DLL");
    ASSERT_NE(netapi, nullptr);
    EXPECT_EQ(LoadLibraryA("netapi32"), netapi);
    EXPECT_TRUE(FreeLibrary(netapi));
    EXPECT_EQ(GetModuleHandleA("netapi32.dll"), netapi);
    EXPECT_TRUE(FreeLibrary(netapi));
    EXPECT_EQ(GetModuleHandleA("netapi32.dll"), nullptr);
    EXPECT_EQ(GetProcAddress(netapi, "NetWkstaGetInfo"), nullptr);
    // Imported at the start, so never unloaded.
    EXPECT_TRUE(FreeLibrary(kernel));
    EXPECT_EQ(GetModuleHandleA("kernel32.dll"), kernel);

    char path[8];
    EXPECT_EQ(GetModuleFileNameA(kernel, path, sizeof path), sizeof path);
    EXPECT_EQ(std::string(path).size(), sizeof path - 1);
}

TEST(ModuleStandIn, OverridesHideModulesAndFunctions)
{
    platform_facts::Overrides overrides;
    overrides.missingModules = {"Version.dll"};
    overrides.missingFunctions = {"SetThreadDescription"};
    overrides.kernel32File = "/somewhere/kernel32.dll";
    platform_facts::ScopedOverrides scoped(overrides);
    EXPECT_EQ(GetModuleHandleA("version.dll"), nullptr);
    EXPECT_EQ(LoadLibraryA("VERSION"), nullptr);
    EXPECT_EQ(GetProcAddress(GetModuleHandleA("kernel32.dll"), "SetThreadDescription"), nullptr);
    char path[MAX_PATH];
    EXPECT_EQ(GetModuleFileNameA(GetModuleHandleA("kernel32.dll"), path, MAX_PATH), 23u);
    EXPECT_STREQ(path, "/somewhere/kernel32.dll");
}

TEST(NetapiStandIn, AgreesWithTheReportedVersionUnlessTold)
{
    platform_facts::Overrides overrides;
    overrides.osVersion = platform_facts::OsVersion{6, 3, 9600, 2, ""};
    platform_facts::ScopedOverrides scoped(overrides);
    LPBYTE buffer = nullptr;
    EXPECT_EQ(NetWkstaGetInfo(nullptr, 101, &buffer), static_cast<NET_API_STATUS>(ERROR_INVALID_LEVEL));
    ASSERT_EQ(NetWkstaGetInfo(nullptr, 100, &buffer), NERR_Success);
    const auto* info = reinterpret_cast<const WKSTA_INFO_100*>(buffer);
    EXPECT_EQ(info->wki100_platform_id, 500u);
    EXPECT_EQ(info->wki100_ver_major, 6u);
    EXPECT_EQ(info->wki100_ver_minor, 3u);
    EXPECT_EQ(std::u16string(info->wki100_langroup), u"WORKGROUP");
    NetApiBufferFree(buffer);
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
