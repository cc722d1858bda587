// A root wLength below a 32-bit header: the copy's "FE2X" lands inside the
// header, and from 2 to 4 makes byte 4 a letter, so Windows reads a 16-bit
// block whose root key runs on past wLength; the root query points after
// that key and no child is found.
#include "version_test_support.h"

namespace version_test {
namespace {

class ShortRoot : public ScratchTest {};

TEST_F(ShortRoot, RootIsReadAsTheFE2XMarkLeavesIt)
{
    struct Case {
        std::uint16_t rootLength;
        std::size_t valueOffset;  // after the key the mark and the old key bytes make
        UINT valueLength;         // wValueLength as the mark leaves it
    };
    const crafted::Bytes block = crafted::EncodeBlock32(crafted::VersionTree(SampleInfo()));
    // Below 2 the mark lands on wLength itself: 0 gives a 32-bit root whose
    // wValueLength is "2X", 1 a 16-bit one keyed "X".
    const Case cases[] = {
        {0, 40, 0x5832}, {1, 8, 0x3245}, {2, 8, 0x4546}, {3, 8, 0x4600u | block[2]}, {4, 12, block[2]}};
    for (const Case& c : cases) {
        crafted::PeImage image = crafted::BuildPeWithVersion(block);
        crafted::PutU16(image.bytes, image.dataOffsets[0], c.rootLength);
        auto copy = ReadVersionInfo(Write("short-root.dll", image.bytes));
        ASSERT_EQ(copy.size(), block.size() * 2 + 4);

        const Query root = QueryValue(copy.data(), "\\");
        ASSERT_TRUE(root.found) << c.rootLength;
        EXPECT_EQ(static_cast<std::uint8_t*>(root.value), copy.data() + c.valueOffset) << c.rootLength;
        EXPECT_EQ(root.length, c.valueLength) << c.rootLength;
        EXPECT_FALSE(QueryValue(copy.data(), "\\VarFileInfo\\Translation").found) << c.rootLength;
    }
}

}  // namespace
}  // namespace version_test
