// Replays every seed of the fuzz targets and every past finding through the
// same calls the targets make: nothing may break a promise of the reader or
// the probe, and where the answer is plain it must be the one given here.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include "FileContents.h"
#include "TempTree.h"
#include "crafted_seeds.h"
#include "engine/ModuleBitness.h"
#include "engine/ModuleFacts.h"
#include "engine_queries.h"
#include "header_bitness.h"
#include "module_fixtures.h"
#include "platform/signature/CertificateTable.h"
#include "signature_checks.h"

namespace {

namespace fs = std::filesystem;

// What the engine must read from one file; company only when it has one.
struct Expected {
    int bitness;
    std::uint32_t size;  // of the version block, 0 for none
    std::uint32_t fileVersionMS;
    std::string company;
};

// Every file in tests/fuzz/regressions, by name. The size is the size
// query's answer, so a finding fixed by refusing the file shows as 0.
const std::map<std::string, Expected>& RegressionAnswers()
{
    static const std::map<std::string, Expected> answers = {
        // e_lfarlc 0 beside an e_lfanew other than 64: 16-bit, whatever
        // follows. Once answered 0 while a scan elsewhere held the file.
        {"probe_lfarlc_0_lfanew_efef.bin", {16, 0, 0, ""}},
        // A root whose fixed info is stated longer than the copy holds, as
        // Windows states it: the versions are read from the 52 bytes there.
        {"value_in_place_stated_past_the_copy.dll", {64, 548, 0x004F0049, ""}},
        // 2000 translations, and 2000 children of 4 bytes before the string
        // table: each CompanyName query steps over all of them. A block of
        // 64 KiB so built once took seconds per file.
        // An NE module with a 32-bit block cut short by the end of the file:
        // the root's key runs on past its wLength into the zeroed rest of
        // the copy, and its value is pointed at in place there, as Windows
        // walks, not converted.
        {"ne_wide_root_key_past_the_copy.exe", {16, 4592, 0, ""}},
        // A 4 KiB module whose resource section's virtual size gives its
        // version resource 768 MiB of zeros: the engine copies no more than
        // any query reaches. Copied whole, it once took 1.5 GB and seconds.
        {"image_resource_stated_at_gigabytes.dll", {32, 0x60000004, 0x00010002, "Modaris Simple Ltd"}},
        {"thousands_of_translations_and_children.dll", {32, 32572, 0x00070008, "Many Children Ltd"}},
    };
    return answers;
}

// The checks of both fuzz targets; the answers for further checks.
fuzz::VersionAnswers Replay(const std::string& path)
{
    const std::vector<std::uint8_t> bytes = ReadFileBytes(path);
    EXPECT_EQ(GetModuleBitness(path.c_str()), fuzz::BitnessFromHeader(bytes.data(), bytes.size())) << path;

    fuzz::VersionAnswers answers = fuzz::AskLikeTheEngine(path.c_str());
    const ModuleVersionInfo engine = InspectModule(path.c_str()).version;
    for (const std::string& fault : answers.faults) ADD_FAILURE() << path << ": " << fault;
    for (const std::string& fault : fuzz::CompareWithEngine(answers, engine)) ADD_FAILURE() << path << ": " << fault;
    if (answers.size == 0) {
        // No version resource: every word 0 and no company.
        EXPECT_EQ(engine.fileVersionMS | engine.fileVersionLS | engine.productVersionMS | engine.productVersionLS, 0u)
            << path;
        EXPECT_TRUE(engine.company.IsEmpty()) << path;
    }
    return answers;
}

void ExpectAnswers(const std::string& path, const Expected& expected)
{
    const fuzz::VersionAnswers answers = Replay(path);
    EXPECT_EQ(GetModuleBitness(path.c_str()), expected.bitness) << path;
    EXPECT_EQ(answers.size, expected.size) << path;
    EXPECT_EQ(answers.fileVersionMS, expected.fileVersionMS) << path;
    EXPECT_EQ(answers.company, expected.company) << path;
}

class FuzzReplay : public ::testing::Test {
protected:
    void SetUp() override { fuzz::PinReaderLanguage(); }
};

TEST_F(FuzzReplay, EveryRegressionFileHasItsAnswerAndGivesIt)
{
    std::size_t files = 0;
    for (const auto& entry : fs::directory_iterator(MODARIS_FUZZ_REGRESSION_DIR)) {
        const std::string name = entry.path().filename().string();
        if (!entry.is_regular_file() || name == "README.md") continue;
        ++files;
        const auto expected = RegressionAnswers().find(name);
        if (expected == RegressionAnswers().end()) {
            ADD_FAILURE() << name << " has no expected answer in RegressionAnswers()";
            Replay(entry.path().string());
            continue;
        }
        ExpectAnswers(entry.path().string(), expected->second);
    }
    EXPECT_EQ(files, RegressionAnswers().size()) << "an expected answer names a file that is gone";
}

// The fixtures are seeds too. What the engine reads from them is checked in
// ModuleReport; Replay ties these answers to the engine's.
TEST_F(FuzzReplay, CompiledFixturesKeepEveryPromise)
{
    for (const auto& fixture : modaris::fixtures::module_fixtures) {
        const std::string path = std::string(MODARIS_MODULE_FIXTURE_DIR) + "/" + std::string(fixture.file_name);
        ASSERT_TRUE(fs::exists(path)) << path;
        EXPECT_EQ(Replay(path).size != 0, fixture.has_version_resource) << path;
    }
}

// The signature target's seeds: each signed test module whole, and the
// PKCS#7 blob of its table read directly.
TEST_F(FuzzReplay, SignedModulesKeepEveryPromise)
{
    std::size_t blobs = 0;
    for (const auto& entry : fs::directory_iterator(std::string(MODARIS_SIGNED_MODULE_DIR) + "/modules")) {
        const std::string path = entry.path().string();
        const std::vector<std::uint8_t> bytes = ReadFileBytes(path);
        for (const std::string& fault : fuzz::CheckSignature(path.c_str(), bytes))
            ADD_FAILURE() << path << ": " << fault;
        namespace sig = platform::signature;
        const sig::TableLocation location = sig::LocateCertificateTable(bytes.data(), bytes.size(), bytes.size());
        if (location.state != sig::TableState::Present) continue;
        const std::uint8_t* table = bytes.data() + location.layout.tableOffset;
        const sig::SignedDataEntry found = sig::FindSignedDataEntry(table, location.layout.tableSize);
        if (found.state != sig::EntryState::Found) continue;
        ++blobs;
        for (const std::string& fault : fuzz::ReadSignatureBlob(table + found.offset, found.size))
            ADD_FAILURE() << path << " (blob): " << fault;
    }
    EXPECT_GT(blobs, 20u);
}

TEST_F(FuzzReplay, CraftedSeedsReadAsBuilt)
{
    TempTree tree;
    for (const fuzz::CraftedSeed& seed : fuzz::CraftedSeeds()) {
        tree.AddFile(seed.name, seed.bytes);
        const std::string path = tree.PathOf(seed.name);
        const fuzz::VersionAnswers answers = Replay(path);
        EXPECT_EQ(GetModuleBitness(path.c_str()), seed.bitness) << seed.name;
        EXPECT_EQ(answers.fileVersionMS, seed.fileVersionMS) << seed.name;
        if (seed.companyMayBeCut) {
            EXPECT_FALSE(answers.company.empty()) << seed.name;
            EXPECT_EQ(seed.company.compare(0, answers.company.size(), answers.company), 0) << seed.name;
            const bool wholeCharacters =
                answers.company.size() == seed.company.size() || (seed.company[answers.company.size()] & 0xC0) != 0x80;
            EXPECT_TRUE(wholeCharacters) << seed.name;
        } else {
            EXPECT_EQ(answers.company, seed.company) << seed.name;
        }
    }
}

}  // namespace
