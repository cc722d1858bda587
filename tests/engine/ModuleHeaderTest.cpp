#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "HeaderBytes.h"
#include "TempTree.h"
#include "engine/ModuleBitness.h"
#include "engine/ModuleHeader.h"
#include "engine/ModuleHeaderTexts.h"
#include "support/UtcTime.h"
#include "module_fixtures.h"
#include "platform/UniqueHandles.h"

namespace {

constexpr uint16_t kPe32 = 0x10B;
constexpr uint16_t kPe32Plus = 0x20B;
constexpr uint32_t kAt = 128;  // e_lfanew of the crafted modules

// Offsets of the fields in a crafted module whose PE header is at kAt.
constexpr std::size_t kMachine = kAt + 4;
constexpr std::size_t kTime = kAt + 8;
constexpr std::size_t kSubsystem = kAt + 24 + 68;
constexpr std::size_t RvaCount(uint16_t magic)
{
    return kAt + 24 + (magic == kPe32Plus ? 108 : 92);
}
constexpr std::size_t ClrEntry(uint16_t magic)
{
    return RvaCount(magic) + 4 + 14 * 8;
}

HeaderBytes Pe(uint16_t magic, std::size_t size = 512)
{
    HeaderBytes header(size);
    header.NewHeaderAt(kAt).PeMagic(kAt, magic);
    return header;
}

// A crafted module with the CLR runtime header's entry filled in.
HeaderBytes Clr(uint16_t magic, uint32_t rvaCount, uint32_t address, uint32_t size)
{
    return Pe(magic).U32(RvaCount(magic), rvaCount).U32(ClrEntry(magic), address).U32(ClrEntry(magic) + 4, size);
}

ModuleHeader HeaderOfFile(const std::string& path)
{
    const platform::ModuleFile file(path.c_str(), platform::FileSharing::Readers);
    EXPECT_TRUE(file.IsOpen()) << path;
    return ReadModuleHeader(ModuleHead(file));
}

ModuleHeader HeaderOf(const HeaderBytes& header)
{
    TempTree tree;
    tree.AddFile("module.dll", header.bytes);
    return HeaderOfFile(tree.PathOf("module.dll"));
}

TEST(ModuleHeader, ReadsTheFieldsOfPe32AndPe32Plus)
{
    const ModuleHeader pe32 =
        HeaderOf(Pe(kPe32).U16(kMachine, 0x14C).U32(kTime, 0x63F14FA5).U16(kSubsystem, 2).U32(RvaCount(kPe32), 16));
    EXPECT_EQ(pe32.kind, ModuleKind::Pe);
    EXPECT_EQ(pe32.machine, 0x14C);
    EXPECT_EQ(pe32.timeDateStamp, 0x63F14FA5u);
    EXPECT_EQ(pe32.subsystem, 2);
    EXPECT_FALSE(pe32.pe32Plus);
    EXPECT_FALSE(pe32.managed);

    const ModuleHeader pe32Plus =
        HeaderOf(Pe(kPe32Plus).U16(kMachine, 0xAA64).U32(kTime, 0xFFFFFFFF).U16(kSubsystem, 10));
    EXPECT_EQ(pe32Plus.kind, ModuleKind::Pe);
    EXPECT_EQ(pe32Plus.machine, 0xAA64);
    EXPECT_EQ(pe32Plus.timeDateStamp, 0xFFFFFFFFu);
    EXPECT_EQ(pe32Plus.subsystem, 10);
    EXPECT_TRUE(pe32Plus.pe32Plus);
}

// As the loader decides: the directory counts, and both its address and its
// size are non-zero. The entry lies 16 bytes further on in PE32+.
TEST(ModuleHeader, CallsItManagedByTheClrDirectoryEntry)
{
    const struct {
        const char* what;
        HeaderBytes header;
        bool managed;
    } cases[] = {
        {"PE32, 16 entries", Clr(kPe32, 16, 0x2008, 0x48), true},
        {"PE32+, 16 entries", Clr(kPe32Plus, 16, 0x2008, 0x48), true},
        {"15 entries: the CLR one is the last", Clr(kPe32, 15, 0x2008, 0x48), true},
        {"an absurd count still counts it", Clr(kPe32Plus, 0xFFFFFFFF, 0x2008, 0x48), true},
        {"14 entries leave it out", Clr(kPe32, 14, 0x2008, 0x48), false},
        {"address 0", Clr(kPe32, 16, 0, 0x48), false},
        {"size 0", Clr(kPe32, 16, 0x2008, 0), false},
        {"PE32+ filled where PE32 has it",
         Pe(kPe32Plus).U32(RvaCount(kPe32Plus), 16).U32(ClrEntry(kPe32), 0x2008).U32(ClrEntry(kPe32) + 4, 0x48), false},
    };
    for (const auto& c : cases) {
        const ModuleHeader header = HeaderOf(c.header);
        EXPECT_EQ(header.kind, ModuleKind::Pe) << c.what;
        EXPECT_EQ(header.managed, c.managed) << c.what;
    }
}

TEST(ModuleHeader, TellsNeAndNotAModuleByEveryBound)
{
    const struct {
        const char* what;
        HeaderBytes header;
        ModuleKind kind;
    } cases[] = {
        {"empty", HeaderBytes(0), ModuleKind::NotAModule},
        {"shorter than the MS-DOS header", HeaderBytes(63), ModuleKind::NotAModule},
        {"no MZ", Pe(kPe32).U16(0, 0x4D5A), ModuleKind::NotAModule},
        {"e_lfanew at the end", HeaderBytes(200).NewHeaderAt(200), ModuleKind::NotAModule},
        {"e_lfanew near 4 GiB", HeaderBytes(512).NewHeaderAt(0xFFFFFFF0), ModuleKind::NotAModule},
        {"no signature", HeaderBytes(512).NewHeaderAt(kAt), ModuleKind::NotAModule},
        {"\"PE\" without its zeros", Pe(kPe32).U16(kAt + 2, 1), ModuleKind::NotAModule},
        {"LE (a VxD)", HeaderBytes(512).NewHeaderAt(kAt).U16(kAt, 0x454C), ModuleKind::NotAModule},
        {"Magic of a ROM image", Pe(0x107), ModuleKind::NotAModule},
        {"cut inside the file header", HeaderBytes(kAt + 20).NewHeaderAt(kAt).U16(kAt, 0x4550), ModuleKind::NotAModule},
        {"PE32 cut before the entry count ends", Pe(kPe32, RvaCount(kPe32) + 3), ModuleKind::NotAModule},
        {"PE32 ends with the entry count, 14 entries", Pe(kPe32, RvaCount(kPe32) + 4).U32(RvaCount(kPe32), 14),
         ModuleKind::Pe},
        {"PE32+ counts the CLR entry but is cut inside it",
         Pe(kPe32Plus, ClrEntry(kPe32Plus) + 7).U32(RvaCount(kPe32Plus), 16), ModuleKind::NotAModule},
        {"PE32+ ends with the CLR entry", Pe(kPe32Plus, ClrEntry(kPe32Plus) + 8).U32(RvaCount(kPe32Plus), 16),
         ModuleKind::Pe},
        {"PE header inside the MS-DOS header (packed)", Pe(kPe32, 400).NewHeaderAt(12).PeMagic(12, kPe32),
         ModuleKind::Pe},
        {"NE", HeaderBytes(kAt + 64).NewHeaderAt(kAt).U16(kAt, 0x454E), ModuleKind::Ne},
        {"NE cut short", HeaderBytes(kAt + 63).NewHeaderAt(kAt).U16(kAt, 0x454E), ModuleKind::NotAModule},
    };
    for (const auto& c : cases) {
        const ModuleHeader header = HeaderOf(c.header);
        EXPECT_EQ(header.kind, c.kind) << c.what;
        if (header.kind != ModuleKind::Pe) {
            EXPECT_EQ(header.machine, 0) << c.what;
            EXPECT_FALSE(header.managed) << c.what;
        }
    }
}

// e_lfanew beyond what the size's low 32 bits say: a 32-bit size would call
// the header cut short.
TEST(ModuleHeader, ReadsAHeaderNear4GiBOfAHugeSparseFile)
{
    constexpr uint32_t kFarAt = 0xFFFFFF00;
    TempTree tree;
    tree.AddFile("huge.dll", HeaderBytes(64).NewHeaderAt(kFarAt).bytes);
    const std::string path = tree.PathOf("huge.dll");
    std::error_code error;
    std::filesystem::resize_file(path, (uint64_t{1} << 32) + 100, error);
    if (error) GTEST_SKIP() << "no sparse files here: " << error.message();
    {
        HeaderBytes pe(256);
        pe.PeMagic(0, kPe32Plus).U16(4, 0x8664).U16(24 + 68, 3);
        std::fstream out(path, std::ios::binary | std::ios::in | std::ios::out);
        out.seekp(kFarAt);
        out.write(reinterpret_cast<const char*>(pe.bytes.data()), static_cast<std::streamsize>(pe.bytes.size()));
    }
    const ModuleHeader header = HeaderOfFile(path);
    EXPECT_EQ(header.kind, ModuleKind::Pe);
    EXPECT_EQ(header.machine, 0x8664);
    EXPECT_EQ(header.subsystem, 3);
}

// The MinGW-built test modules: no time stamp (--no-insert-timestamp), no
// CLR header; the console subsystem for both DLLs and programs, as ld
// writes by default.
TEST(ModuleHeader, ReadsTheTestModules)
{
    for (const auto& fixture : modaris::fixtures::module_fixtures) {
        const std::string path = std::string(MODARIS_MODULE_FIXTURE_DIR) + "/" + fixture.file_name;
        const ModuleHeader header = HeaderOfFile(path);
        const bool x64 = fixture.bitness == 64;
        EXPECT_EQ(header.kind, ModuleKind::Pe) << path;
        EXPECT_EQ(MachineText(header), x64 ? "amd64" : "i386") << path;
        EXPECT_EQ(header.pe32Plus, x64) << path;
        EXPECT_EQ(header.pe32Plus, GetModuleBitness(path.c_str()) == 64) << path;
        EXPECT_EQ(SubsystemText(header), "windows-cui") << path;
        EXPECT_EQ(LinkTimeText(header), "1970-01-01T00:00:00Z") << path;
        EXPECT_STREQ(ManagedText(header), "false") << path;
    }
}

// The names Wine's modules carry are held against pefile's by
// header_facts_vs_pefile.py; here, the two ARM machines and the numbers of
// what has no name.
TEST(ModuleHeaderTexts, NameMachinesAndSubsystemsOrGiveTheirNumbers)
{
    ModuleHeader pe;
    pe.kind = ModuleKind::Pe;
    const std::pair<uint16_t, const char*> machines[] = {
        {0x1C0, "arm"}, {0x1C4, "arm"}, {0x1C2, "0x01c2"}, {0, "0x0000"}, {0xC0EE, "0xc0ee"},
    };
    for (const auto& [machine, text] : machines) {
        pe.machine = machine;
        EXPECT_EQ(MachineText(pe), text);
    }
    const std::pair<uint16_t, const char*> subsystems[] = {
        {16, "boot-application"},
        {0, "0"},
        {14, "14"},
        {65535, "65535"},
    };
    for (const auto& [subsystem, text] : subsystems) {
        pe.subsystem = subsystem;
        EXPECT_EQ(SubsystemText(pe), text);
    }

    ModuleHeader ne;
    ne.kind = ModuleKind::Ne;
    EXPECT_EQ(MachineText(ne), "ne");
    EXPECT_EQ(SubsystemText(ne), "");
    EXPECT_EQ(LinkTimeText(ne), "");
    const ModuleHeader none;
    EXPECT_EQ(MachineText(none), "");
    EXPECT_EQ(SubsystemText(none), "");
    EXPECT_EQ(LinkTimeText(none), "");
    EXPECT_STREQ(ManagedText(none), "false");
}

// Day boundaries, leap days (2000 is one, 2100 is not) and the last second
// a 32-bit stamp can hold.
TEST(ModuleHeaderTexts, WritesUtcTimesOfTheWholeRange)
{
    const std::pair<uint32_t, const char*> times[] = {
        {0, "1970-01-01T00:00:00Z"},          {86399, "1970-01-01T23:59:59Z"},
        {86400, "1970-01-02T00:00:00Z"},      {951782400, "2000-02-29T00:00:00Z"},
        {951868800, "2000-03-01T00:00:00Z"},  {1676758565, "2023-02-18T22:16:05Z"},
        {4107456000, "2100-02-28T00:00:00Z"}, {4107542400, "2100-03-01T00:00:00Z"},
        {4294967295, "2106-02-07T06:28:15Z"},
    };
    for (const auto& [seconds, text] : times) EXPECT_EQ(support::UtcTimeText(seconds), text) << seconds;
    // A file's time may lie before 1970 or past 2106.
    EXPECT_EQ(support::UtcTimeText(-1), "1969-12-31T23:59:59Z");
    EXPECT_EQ(support::UtcTimeTextOfFileTime(0), "1601-01-01T00:00:00Z");
    EXPECT_EQ(support::UtcTimeTextOfFileTime(0x7FFFFFFFFFFFFFFFull), "30828-09-14T02:48:05Z");
}

}  // namespace
