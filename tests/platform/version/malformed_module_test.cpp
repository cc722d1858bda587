// Broken PE and NE files: each must read as "no version resource" (or, where
// Windows still finds it, as the intact resource) without reading outside
// the file, looping or crashing.
#include "version_test_support.h"

#include <functional>

namespace version_test {
namespace {

using crafted::Bytes;
using crafted::GetU16;
using crafted::GetU32;
using crafted::PutU16;
using crafted::PutU32;

class VersionMalformedModule : public ScratchTest {
protected:
    // The size query's answer for `bytes`, or 0; 1812 is the only failure expected.
    DWORD SizeOf(const Bytes& bytes)
    {
        const std::string path = Write("broken.dll", bytes);
        const DWORD size = GetFileVersionInfoSizeA(path.c_str(), nullptr);
        if (size == 0) {
            EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_RESOURCE_DATA_NOT_FOUND));
        }
        // The copy must agree with the size query and stay in its buffer.
        std::vector<std::uint8_t> buffer(size);
        EXPECT_EQ(GetFileVersionInfoA(path.c_str(), 0, size, buffer.data()) != FALSE, size != 0);
        if (size) QueryValue(buffer.data(), "\\StringFileInfo\\040904B0\\CompanyName");
        return size;
    }
};

const Bytes kBlock = crafted::EncodeBlock32(crafted::VersionTree(SampleInfo()));
const DWORD kIntactSize = static_cast<DWORD>(kBlock.size() * 2 + 4);

struct PeCase {
    const char* name;
    std::function<void(crafted::PeImage&)> breakIt;
    bool stillFound;
};

TEST_F(VersionMalformedModule, BrokenPeHeadersAndDirectories)
{
    auto cut = [](std::function<std::size_t(const crafted::PeImage&)> at) {
        return [at](crafted::PeImage& image) { image.bytes.resize(at(image)); };
    };
    const PeCase cases[] = {
        {"dos header cut", cut([](auto&) { return 63; }), false},
        {"e_lfanew negative", [](auto& i) { PutU32(i.bytes, 60, 0xFFFFFFF0u); }, false},
        {"e_lfanew past the end", [](auto& i) { PutU32(i.bytes, 60, 0x7FFFFFF0u); }, false},
        {"file header cut", cut([](auto& i) { return i.peSignatureOffset + 10; }), false},
        {"optional header cut", cut([](auto& i) { return i.optionalHeaderOffset + 60; }), false},
        {"unknown magic", [](auto& i) { PutU16(i.bytes, i.optionalHeaderOffset, 0x107); }, false},
        {"two data directories", [](auto& i) { PutU32(i.bytes, i.optionalHeaderOffset + 92, 2); }, false},
        {"empty resource directory", [](auto& i) { PutU32(i.bytes, i.resourceDataDirectoryOffset + 4, 0); }, false},
        {"resource rva in no section", [](auto& i) { PutU32(i.bytes, i.resourceDataDirectoryOffset, 0xFFFFFFF0u); }, false},
        {"65535 sections past the end", [](auto& i) { PutU16(i.bytes, i.peSignatureOffset + 6, 0xFFFF); }, false},
        {"section table cut", cut([](auto& i) { return i.sectionTableOffset + 79; }), false},
        {"root directory cut", cut([](auto& i) { return i.resourceSectionOffset + 20; }), false},
        {"65535 type entries", [](auto& i) { PutU16(i.bytes, i.resourceSectionOffset + 14, 0xFFFF); }, false},
        {"type entry is no directory",
         [](auto& i) { PutU32(i.bytes, i.resourceSectionOffset + 20, GetU32(i.bytes, i.resourceSectionOffset + 20) & 0x7FFFFFFF); }, false},
        {"type entry points at the root", [](auto& i) { PutU32(i.bytes, i.resourceSectionOffset + 20, 0x80000000u); }, false},
        {"subdirectory offset near 4 GiB", [](auto& i) { PutU32(i.bytes, i.resourceSectionOffset + 20, 0xFFFFFFF8u); }, false},
        {"data entry cut", cut([](auto& i) { return i.dataEntryOffsets[0] + 4; }), false},
        {"data cut", cut([](auto& i) { return i.dataOffsets[0] + 6; }), false},
        {"data rva near 4 GiB", [](auto& i) { PutU32(i.bytes, i.dataEntryOffsets[0], 0xFFFFFFFCu); }, false},
        {"data size near 4 GiB", [](auto& i) { PutU32(i.bytes, i.dataEntryOffsets[0] + 4, 0xFFFFFFFFu); }, false},
        {"data size 0", [](auto& i) { PutU32(i.bytes, i.dataEntryOffsets[0] + 4, 0); }, false},
        // Windows checks only the letters of "PE\0\0".
        {"PE followed by junk", [](auto& i) { i.bytes[i.peSignatureOffset + 2] = 'x'; }, true},
        {"65535 sections inside the file",
         [](auto& i) { PutU16(i.bytes, i.peSignatureOffset + 6, 0xFFFF); i.bytes.resize(i.sectionTableOffset + 40 * 65535, 0); }, true},
    };
    for (const PeCase& c : cases) {
        crafted::PeImage image = crafted::BuildPeWithVersion(kBlock);
        c.breakIt(image);
        EXPECT_EQ(SizeOf(image.bytes), c.stillFound ? kIntactSize : 0u) << c.name;
    }
}

TEST_F(VersionMalformedModule, DirectoryEntriesPointingBackDoNotLoop)
{
    // Root -> type 16 -> id 1 -> language: bend each level back up the tree.
    crafted::PeImage image = crafted::BuildPeWithVersion(kBlock);
    const std::size_t root = image.resourceSectionOffset;
    const std::size_t typeDirectory = root + (GetU32(image.bytes, root + 20) & 0x7FFFFFFF);
    const std::size_t nameDirectory = root + (GetU32(image.bytes, typeDirectory + 20) & 0x7FFFFFFF);
    const auto relative = [root](std::size_t offset) {
        return 0x80000000u | static_cast<std::uint32_t>(offset - root);
    };
    // The OffsetToData of the id-1 entry and of the language entry.
    const std::pair<std::size_t, std::uint32_t> loops[] = {
        {typeDirectory + 20, relative(typeDirectory)},  // its own directory
        {nameDirectory + 20, relative(nameDirectory)},  // its own directory
        {nameDirectory + 20, relative(typeDirectory)},  // its parent
        {nameDirectory + 20, relative(root)},           // the root
    };
    for (const auto& [entry, target] : loops) {
        Bytes bytes = image.bytes;
        PutU32(bytes, entry, target);
        EXPECT_EQ(SizeOf(bytes), 0u);
    }
}

TEST_F(VersionMalformedModule, BrokenNeResourceTables)
{
    const Bytes block16 = crafted::EncodeBlock16(crafted::VersionTree(SampleInfo()));
    using Patch = std::function<void(crafted::NeImage&)>;
    const std::pair<const char*, Patch> cases[] = {
        {"no resource table", [](auto& i) { PutU16(i.bytes, i.neHeaderOffset + 0x26, GetU16(i.bytes, i.neHeaderOffset + 0x24)); }},
        {"table of two bytes", [](auto& i) { PutU16(i.bytes, i.neHeaderOffset + 0x26, GetU16(i.bytes, i.neHeaderOffset + 0x24) + 2); }},
        {"ne header cut", [](auto& i) { i.bytes.resize(i.neHeaderOffset + 40); }},
        {"alignment shift 40", [](auto& i) { PutU16(i.bytes, i.resourceTableOffset, 40); }},
        {"65535 entries in the group before", [](auto& i) { PutU16(i.bytes, i.resourceTableOffset + 4, 0xFFFF); }},
        {"data past the end", [](auto& i) { PutU16(i.bytes, i.entryOffsets[1], 0xFFFF); }},
        {"length 0", [](auto& i) { PutU16(i.bytes, i.entryOffsets[1] + 2, 0); }},
        {"file cut inside the data", [](auto& i) { i.bytes.resize(i.dataOffsets[1] + 20); }},
    };
    crafted::NeOptions twoGroups;
    twoGroups.resources = {{0x8006, 0x8001, Bytes(30, 'x')}, {0x8010, 0x8001, block16}};
    for (const auto& [name, breakIt] : cases) {
        crafted::NeImage image = crafted::BuildNe(twoGroups);
        breakIt(image);
        EXPECT_EQ(SizeOf(image.bytes), 0u) << name;
    }

    // Only the first group of the version type is searched, as Windows does.
    crafted::NeOptions options;
    options.resources = {{0x8010, 0x8002, block16}, {0x8006, 0x8001, block16}};
    crafted::NeImage image = crafted::BuildNe(options);
    PutU16(image.bytes, image.entryOffsets[1] - 8, 0x8010);
    EXPECT_EQ(SizeOf(image.bytes), 0u) << "version in a second group";
}

}  // namespace
}  // namespace version_test
