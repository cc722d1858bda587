// A stop while one large module is being read. The reader reads only
// headers, the resource directory and the version data, so a file's size
// alone makes nothing slow: what does is a large version resource, which
// is read whole into a block twice its size. So "large" here is a module
// whose version resource spans 4 MiB (in a sparse file): an 8 MiB block,
// tens of milliseconds natively and seconds under TSan.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <unistd.h>

#include "ScanCycleSupport.h"
#include "TakenRows.h"
#include "TempTree.h"
#include "crafted_images.h"
#include "framework/CSingleLock.h"

namespace {

constexpr std::uint32_t kVersionResourceBytes = 4u << 20;

// A PE32+ module with version 7.6.5.4, company "Modaris Large Ltd", whose
// version resource entry claims kVersionResourceBytes.
void WriteLargeModule(const std::string& path)
{
    crafted::VersionInfo info;
    info.fixed.fileVersion = {7, 6, 5, 4};
    info.fixed.productVersion = {7, 6, 5, 4};
    info.stringTables.push_back({"040904B0", {{"CompanyName", "Modaris Large Ltd"}}});
    info.translations = {0x04B00409};
    crafted::PeImage image =
        crafted::BuildPeWithVersion(crafted::EncodeBlock32(crafted::VersionTree(info)), 0x0409, true);
    crafted::PutU32(image.bytes, image.dataEntryOffsets.at(0) + 4, kVersionResourceBytes);
    crafted::WriteFile(path, image.bytes);
    // The rest of the resource is a hole: the reader still reads it all.
    ASSERT_EQ(truncate(path.c_str(), static_cast<off_t>(image.dataOffsets.at(0) + kVersionResourceBytes)), 0);
}

TEST(StopWhileReadingALargeModule, ItIsFinishedWholeAndNothingAfterItIsStarted)
{
    TempTree tree;
    WriteLargeModule(tree.PathOf("a-large.dll"));
    const std::string small = std::string(MODARIS_MODULE_FIXTURE_DIR) + "/v1_2_3_4_x64.dll";
    for (int i = 0; i < 10; ++i) std::filesystem::copy_file(small, tree.PathOf("b" + std::to_string(i) + ".dll"));

    CScanEngine engine;
    // How long the large module takes on its own, for the record.
    const auto before = std::chrono::steady_clock::now();
    ASSERT_TRUE(StartLikeTheWindow(engine, tree.Root()));
    ASSERT_TRUE(engine.WaitForWorkerToEnd(kHangGuardMs));
    const auto whole = std::chrono::steady_clock::now() - before;
    ASSERT_EQ(TakeRows(engine).size(), 11u);

    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        engine.m_foundCount = 0;
        std::chrono::steady_clock::time_point stopped;
        {
            // Holding the results lock keeps the worker inside the large
            // module until the stop is given: at worst it has read it and
            // waits to append its row. The lists and options stay those of
            // the first start.
            CSingleLock hold(&engine.m_resultsLock, true);
            ASSERT_TRUE(engine.BeginScanWorker());
            const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kHangGuardMs);
            while (engine.m_foundCount == 0) {
                ASSERT_LT(std::chrono::steady_clock::now(), deadline) << "the scan never began";
            }
            engine.StopScan();
            stopped = std::chrono::steady_clock::now();
        }
        ASSERT_TRUE(engine.WaitForWorkerToEnd(kHangGuardMs)) << "the worker did not end after the stop";
        const auto ending = std::chrono::steady_clock::now() - stopped;
        EXPECT_EQ(engine.m_scanRunning + engine.m_keepScanning, 0);

        // The module being read is finished whole; the stop takes effect at
        // the next entry, so no other file is begun.
        const std::vector<TakenRow> rows = TakeRows(engine);
        EXPECT_EQ(engine.m_foundCount, 1);
        ASSERT_EQ(rows.size(), 1u);
        EXPECT_EQ(rows[0].fileName, tree.PathOf("a-large.dll"));
        EXPECT_EQ(rows[0].productVersion, "7.000600.5.000400");
        EXPECT_EQ(rows[0].company, "Modaris Large Ltd");
        EXPECT_EQ(rows[0].bits, 64);
        std::printf("round %d: worker ended %.1f ms after the stop\n", round,
                    std::chrono::duration<double, std::milli>(ending).count());
    }
    std::printf("whole scan with the large module: %.1f ms\n",
                std::chrono::duration<double, std::milli>(whole).count());
}

}  // namespace
