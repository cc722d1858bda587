#include <gtest/gtest.h>

#include "engine/VersionNumbers.h"

namespace {

CString TextOf(uint32_t ms, uint32_t ls)
{
    return FormatVersionText(VersionWordsToNumber(ms), VersionWordsToNumber(ls));
}

TEST(VersionText, FormsTwoNumbersFromFourHalves)
{
    struct Case {
        uint32_t ms, ls;
        const char* text;
    } cases[] = {
        {0x00010002, 0x00030004, "1.000200.3.000400"},
        {0x00060001, (7601u << 16) | 17514u, "6.000100.7602.751400"},  // low half over 9999 carries
        {0x000A0000, (19041u << 16) | 1u, "10.000000.19041.000100"},
        {(9999u << 16) | 10000u, 0, "10000.000000.0.000000"},
        {0xFFFFFFFF, 0xFFFFFFFF, "65541.553500.65541.553500"},
        {0, 0, "0.000000.0.000000"},
    };
    for (const Case& c : cases) EXPECT_STREQ(TextOf(c.ms, c.ls), c.text) << std::hex << c.ms << " " << c.ls;
}

}  // namespace
