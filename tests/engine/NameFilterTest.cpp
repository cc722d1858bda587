#include <gtest/gtest.h>

#include "engine/NameFilter.h"

namespace {

TEST(NameFilter, ComparesIgnoringOnlyAsciiCase)
{
    EXPECT_EQ(CompareNamesNoCase("KERNEL32.DLL", "kernel32.dll"), 0);
    EXPECT_LT(CompareNamesNoCase("a", "ab"), 0);
    EXPECT_GT(CompareNamesNoCase("ab", "a"), 0);
    EXPECT_EQ(CompareNamesNoCase(nullptr, nullptr), 0);
    EXPECT_EQ(CompareNamesNoCase(nullptr, "a"), -1);
    EXPECT_EQ(CompareNamesNoCase("a", nullptr), 1);
    // A letter against a non-letter is compared as it stands: '[' is 0x5B,
    // between 'Z' and 'a'.
    EXPECT_LT(CompareNamesNoCase("Z", "["), 0);
    EXPECT_GT(CompareNamesNoCase("z", "["), 0);
    // Upper- and lower-case accented letters (UTF-8 and Latin-1) differ.
    EXPECT_NE(CompareNamesNoCase("\xC3\x89.dll", "\xC3\xA9.dll"), 0);
    EXPECT_NE(CompareNamesNoCase("\xC9.dll", "\xE9.dll"), 0);
    // Bytes from 0x80 compare as signed chars.
    EXPECT_LT(CompareNamesNoCase("\xE9", "a"), 0);
}

TEST(NameFilter, LettersAreAsciiOnly)
{
    EXPECT_EQ(IsAsciiLetter('a') + IsAsciiLetter('z') + IsAsciiLetter('A') + IsAsciiLetter('Z'), 4);
    for (char c : {'@', '[', '`', '{', '0', '\0', static_cast<char>(0xC9), static_cast<char>(0xE9)}) {
        EXPECT_EQ(IsAsciiLetter(c), 0) << static_cast<int>(c);
    }
}

}  // namespace
