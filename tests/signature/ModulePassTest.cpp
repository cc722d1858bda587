// The one pass over a module, on files a scan may meet: a sparse module of
// gibibytes behind its signed table, broken from its headers and read no
// further than them, in both builds; and (POSIX, where a reader does not
// keep writers out) a file that grows while read, which vouches for nothing.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "FileContents.h"
#include "TempTree.h"
#include "platform/hash/Sha256.h"
#include "platform/signature/ModulePass.h"
#include "platform/signature/ModuleSignature.h"

namespace {

using namespace platform;
using namespace platform::signature;

std::string CopySignedModule(const TempTree& tree, const std::string& name)
{
    tree.AddFile(name, ReadFileBytes(std::string(MODARIS_SIGNED_MODULE_DIR) + "/modules/sha256_timestamped_x64.dll"));
    return tree.PathOf(name);
}

DigestChooser CountingChooser(int& chosen)
{
    return [&chosen](const std::vector<std::uint8_t>&) -> AuthenticodeStream::Sink {
        ++chosen;
        return [](const std::uint8_t*, std::size_t) { return true; };
    };
}

TEST(ModulePass, ReadsASparseModuleOfGibibytesNoFurtherThanItsHeaders)
{
    TempTree tree;
    const std::string path = CopySignedModule(tree, "sparse.dll");
    std::filesystem::resize_file(path, std::uintmax_t{6} << 30);

    int chosen = 0;
    const ModulePass pass = ReadModule(path.c_str(), nullptr, CountingChooser(chosen));
    EXPECT_TRUE(pass.Sound());
    EXPECT_EQ(pass.location.state, TableState::Broken);  // the table no longer ends the file
    EXPECT_EQ(chosen, 0);
    EXPECT_LE(pass.bytesRead, 256u * 1024);

    const ModuleSignature signature = SignatureChecker().Check(path.c_str());
    EXPECT_TRUE(signature.read);
    EXPECT_EQ(signature.kind, SignatureKind::Embedded);
    EXPECT_EQ(signature.check, SignatureCheck::Broken);
}

#ifndef _WIN32
TEST(ModulePass, VouchesForNothingWhenTheFileGrowsWhileRead)
{
    TempTree tree;
    const std::string path = CopySignedModule(tree, "growing.dll");
    const std::uintmax_t size = std::filesystem::file_size(path);
    Sha256 whole;
    const ModulePass pass = ReadModule(path.c_str(), &whole, [&](const std::vector<std::uint8_t>&) {
        std::ofstream(path, std::ios::app | std::ios::binary) << "grown while read";
        return AuthenticodeStream::Sink([](const std::uint8_t*, std::size_t) { return true; });
    });
    EXPECT_TRUE(pass.changed);
    EXPECT_FALSE(pass.Sound());
    EXPECT_LE(pass.bytesRead, size);
}
#endif

}  // namespace
