#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "TempTree.h"
#include "platform/UniqueHandles.h"
#include "platform/hash/Sha256.h"

namespace {

using platform::HexText;
using platform::Sha256;
using platform::Sha256OfFile;

std::string HexOfBytes(const std::vector<unsigned char>& bytes)
{
    Sha256 hasher;
    EXPECT_TRUE(hasher.Update(bytes.data(), bytes.size()));
    const auto digest = hasher.Finish();
    return digest ? HexText(*digest) : std::string("no digest");
}

// FIPS 180-2's examples; the million 'a' go in uneven pieces, so that the
// pieces cross the 64-byte blocks at every offset.
TEST(Sha256, GivesTheKnownDigests)
{
    EXPECT_EQ(HexOfBytes({}), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
    EXPECT_EQ(HexOfBytes({'a', 'b', 'c'}), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");

    Sha256 hasher;
    const std::string as(1000, 'a');
    std::size_t fed = 0;
    for (std::size_t piece = 1; fed < 1000000; piece = piece % 997 + 1) {
        const std::size_t size = std::min(piece, 1000000 - fed);
        ASSERT_TRUE(hasher.Update(as.data(), size));
        fed += size;
    }
    const auto digest = hasher.Finish();
    ASSERT_TRUE(digest);
    EXPECT_EQ(HexText(*digest), "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0");
}

TEST(Sha256, RefusesWorkAfterFinishing)
{
    Sha256 hasher;
    ASSERT_TRUE(hasher.Finish());
    EXPECT_FALSE(hasher.Update("x", 1));
    EXPECT_FALSE(hasher.Finish());
}

// Sizes around the file reader's 256 KiB chunk, where a loop that drops or
// repeats a chunk would show.
TEST(Sha256OfFile, HashesTheWholeFileWhateverItsSize)
{
    constexpr std::size_t kChunk = 256 * 1024;
    TempTree tree;
    for (const std::size_t size : {std::size_t{0}, std::size_t{1}, kChunk - 1, kChunk, kChunk + 1, 3 * kChunk + 7}) {
        std::vector<unsigned char> bytes(size);
        for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<unsigned char>(i * 131 + i / 4093);
        const std::string name = "file" + std::to_string(size) + ".bin";
        tree.AddFile(name, bytes);
        EXPECT_EQ(Sha256OfFile(tree.PathOf(name).c_str()), HexOfBytes(bytes)) << size << " bytes";
    }
}

TEST(Sha256OfFile, IsNoneForWhatCannotBeRead)
{
    TempTree tree;
    EXPECT_FALSE(Sha256OfFile(tree.PathOf("missing.dll").c_str()));
    EXPECT_FALSE(Sha256OfFile(tree.PathOf("no/such/folder/a.dll").c_str()));
    tree.AddDirectory("folder.dll");
    EXPECT_FALSE(Sha256OfFile(tree.PathOf("folder.dll").c_str()));
}

// It opens as a reader that shares: beside another such reader it works, and
// beside a handle that shares with nobody it gives none.
TEST(Sha256OfFile, SharesTheFileWithOtherReadersOnly)
{
    TempTree tree;
    tree.AddFile("held.dll", std::string("abc"));
    const std::string path = tree.PathOf("held.dll");
    const std::string abc = "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad";
    {
        const platform::UniqueFileHandle reader(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        ASSERT_TRUE(reader.IsValid());
        EXPECT_EQ(Sha256OfFile(path.c_str()), abc);
    }
    const platform::UniqueFileHandle holder(
        CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(holder.IsValid());
    EXPECT_FALSE(Sha256OfFile(path.c_str()));
}

#ifndef _WIN32
// A file that grows while it is read (a writer still at work) is hashed up
// to its size at the open, and then vouched for by nobody: no digest, rather
// than the digest of a moment that the size does not describe.
TEST(Sha256OfFile, AFileThatChangedWhileReadHasNoDigest)
{
    TempTree tree;
    tree.AddFile("growing.dll", std::string(300000, 'x'));
    const std::string path = tree.PathOf("growing.dll");
    const platform::ModuleFile file(path.c_str(), platform::FileSharing::Readers);
    ASSERT_TRUE(file.IsOpen());
    ASSERT_TRUE(Sha256OfFile(file));
    {
        std::FILE* writer = std::fopen(path.c_str(), "ab");
        ASSERT_NE(writer, nullptr);
        std::fputs("more", writer);
        std::fclose(writer);
    }
    EXPECT_EQ(file.Size(), 300000u) << "the size is the open's";
    EXPECT_FALSE(Sha256OfFile(file));
}
#endif

}  // namespace
