#include "version_test_support.h"

#include <cstdlib>

namespace version_test {

char kUntouched[1];

namespace {
const char* const kLocaleVariables[] = {"LC_ALL", "LC_MESSAGES", "LANG"};
}

void ScratchTest::SetUp()
{
    for (const char* variable : kLocaleVariables) {
        const char* value = std::getenv(variable);
        savedLocale_.emplace_back(variable, value ? value : "");
    }
    SetLocale("C");
}

void ScratchTest::TearDown()
{
    for (const auto& [variable, value] : savedLocale_) {
        if (value.empty()) unsetenv(variable.c_str());
        else setenv(variable.c_str(), value.c_str(), 1);
    }
}

std::string ScratchTest::Write(const std::string& name, const crafted::Bytes& bytes) const
{
    crafted::WriteFile(PathOf(name), bytes);
    return PathOf(name);
}

void ScratchTest::SetLocale(const char* lcAll, const char* lang)
{
    for (const char* variable : kLocaleVariables) unsetenv(variable);
    if (lcAll) setenv("LC_ALL", lcAll, 1);
    if (lang) setenv("LANG", lang, 1);
}

crafted::VersionInfo SampleInfo(const std::string& company)
{
    crafted::VersionInfo info;
    info.fixed.fileVersion = {1, 2, 3, 4};
    info.fixed.productVersion = {5, 6, 7, 8};
    info.stringTables.push_back({"040904B0", {{"CompanyName", company}, {"ProductVersion", "5.6.7.8"}, {"Empty", ""}}});
    info.translations = {0x04B00409};
    return info;
}

Query QueryValue(const void* block, const char* path)
{
    Query query{FALSE, 0xABCD, kUntouched, 0};
    SetLastError(0xDEAD);
    query.found = VerQueryValueA(block, path, &query.value, &query.length);
    query.error = GetLastError();
    return query;
}

std::vector<std::uint8_t> ReadVersionInfo(const std::string& path)
{
    DWORD handle = 1;
    const DWORD size = GetFileVersionInfoSizeA(path.c_str(), &handle);
    if (size == 0) return {};
    std::vector<std::uint8_t> buffer(size, 0xCC);
    if (!GetFileVersionInfoA(path.c_str(), handle, size, buffer.data())) return {};
    return buffer;
}

std::vector<std::uint8_t> AsCopied(const crafted::Bytes& block)
{
    std::vector<std::uint8_t> buffer(block.size() * 2 + 4, 0xCC);
    std::copy(block.begin(), block.end(), buffer.begin());
    return buffer;
}

}  // namespace version_test
