// Shared pieces of the version reader's tests: a scratch directory with a
// controlled locale, and short ways to call the three functions.
#pragma once

#include "TempTree.h"
#include "crafted_images.h"
#include "platform/posix/win32_api.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace version_test {

// Writes crafted files into a fresh directory and pins the language the
// reader sees (LC_ALL=C unless a test says otherwise); both undone afterwards.
class ScratchTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    std::string PathOf(const std::string& name) const { return tree_.PathOf(name); }
    std::string Write(const std::string& name, const crafted::Bytes& bytes) const;
    static void SetLocale(const char* lcAll, const char* lang = nullptr);

private:
    TempTree tree_;
    std::vector<std::pair<std::string, std::string>> savedLocale_;
};

// A version tree with one US-English string table and a translation.
crafted::VersionInfo SampleInfo(const std::string& company = "Acme Corp");

struct Query {
    BOOL found;
    UINT length;
    void* value;  // the sentinel kUntouched when VerQueryValueA left it alone
    DWORD error;
    std::string Text() const { return std::string(static_cast<const char*>(value), length); }
};
extern char kUntouched[1];
Query QueryValue(const void* block, const char* path);

// What an engine does: size query, then the copy into a buffer of exactly that size.
std::vector<std::uint8_t> ReadVersionInfo(const std::string& path);

// A block in memory as GetFileVersionInfoA leaves it: room for the second
// half behind it, filled with 0xCC.
std::vector<std::uint8_t> AsCopied(const crafted::Bytes& block);

}  // namespace version_test
