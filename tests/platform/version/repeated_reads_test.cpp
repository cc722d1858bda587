// What the reader keeps between reads: the windows a module's small reads are
// served from, and the resource the size query found for the copy that
// follows it. Both must give what a fresh read of the file would.
#include "platform/posix/version/bounded_file.h"
#include "version_test_support.h"

#include <cstdio>
#include <cstring>
#include <unistd.h>

namespace version_test {
namespace {

using crafted::Bytes;
using version_reader::BoundedFile;

class RepeatedReads : public ScratchTest {};

Bytes Pattern(std::size_t size)
{
    Bytes bytes(size);
    for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<std::uint8_t>(i * 7 + i / 251);
    return bytes;
}

TEST_F(RepeatedReads, EveryReadGivesTheFilesBytesAcrossWindowsAndAtTheEnd)
{
    const Bytes content = Pattern(3 * 4096 + 100);
    const BoundedFile file(Write("pattern.bin", content).c_str());
    ASSERT_TRUE(file.IsOpen());
    const struct {
        std::uint64_t offset;
        std::size_t length;
    } reads[] = {{0, 64},      {60, 4},     {4090, 12}, {8192, 4096}, {4095, 4097}, {1, 4096},
                 {12288, 100}, {12370, 18}, {0, 12388}, {12388, 0},   {100, 1},     {8191, 2}};
    for (const auto& read : reads) {
        Bytes got(read.length, 0xEE);
        ASSERT_TRUE(file.Read(read.offset, got.data(), read.length)) << read.offset << "+" << read.length;
        EXPECT_TRUE(std::equal(got.begin(), got.end(), content.begin() + static_cast<long>(read.offset)))
            << read.offset << "+" << read.length;
    }
    Bytes past(2);
    EXPECT_FALSE(file.Read(12387, past.data(), 2)) << "one byte past the end";
    EXPECT_FALSE(file.Read(20000, past.data(), 0));
}

TEST_F(RepeatedReads, AFileThatShrankAfterOpeningFailsTheReadsPastItsNewEnd)
{
    const Bytes content = Pattern(2 * 4096);
    const std::string path = Write("shrinking.bin", content);
    const BoundedFile file(path.c_str());
    ASSERT_EQ(truncate(path.c_str(), 5000), 0);
    Bytes got(200);
    EXPECT_TRUE(file.Read(4800, got.data(), 200));
    EXPECT_TRUE(std::equal(got.begin(), got.end(), content.begin() + 4800));
    EXPECT_FALSE(file.Read(4900, got.data(), 200));
    EXPECT_FALSE(file.Read(6000, got.data(), 10));
}

// The size of one file and the copy of another, or of the same path holding
// another module by then, give the second file's answer.
TEST_F(RepeatedReads, TheCopyAfterASizeQueryIsOfTheFileAsItIsThen)
{
    const Bytes acme = crafted::EncodeBlock32(crafted::VersionTree(SampleInfo("Acme Corp")));
    const Bytes other = crafted::EncodeBlock32(crafted::VersionTree(SampleInfo("Other Company Limited")));
    ASSERT_EQ(acme.size() == other.size(), false) << "the two blocks must tell themselves apart by size too";
    const std::string first = Write("first.dll", crafted::BuildPeWithVersion(acme).bytes);
    const std::string second = Write("second.dll", crafted::BuildPeWithVersion(other).bytes);
    const std::string replacement = Write("replacement.dll", crafted::BuildPeWithVersion(other).bytes);

    const auto expectCopyOf = [](const std::string& path, const Bytes& block, DWORD length) {
        std::vector<std::uint8_t> copy(length, 0xCC);
        ASSERT_TRUE(GetFileVersionInfoA(path.c_str(), 0, length, copy.data())) << path;
        EXPECT_TRUE(std::equal(block.begin(),
                               block.begin() + static_cast<long>(std::min<std::size_t>(block.size(), length)),
                               copy.begin()))
            << path;
    };

    const DWORD acmeSize = GetFileVersionInfoSizeA(first.c_str(), nullptr);
    ASSERT_GT(acmeSize, 0u);
    expectCopyOf(second, other, static_cast<DWORD>(other.size() * 2 + 4));

    ASSERT_GT(GetFileVersionInfoSizeA(first.c_str(), nullptr), 0u);
    ASSERT_EQ(std::rename(replacement.c_str(), first.c_str()), 0);
    expectCopyOf(first, other, static_cast<DWORD>(other.size() * 2 + 4));

    ASSERT_GT(GetFileVersionInfoSizeA(second.c_str(), nullptr), 0u);
    ASSERT_EQ(unlink(second.c_str()), 0);
    std::vector<std::uint8_t> copy(acmeSize);
    SetLastError(0);
    EXPECT_FALSE(GetFileVersionInfoA(second.c_str(), 0, acmeSize, copy.data()));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
}

}  // namespace
}  // namespace version_test
