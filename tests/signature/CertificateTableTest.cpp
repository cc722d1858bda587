// The certificate table found from crafted headers, its entries walked, and
// the bytes the Authenticode digest leaves out: every offset comes from the
// file, so each bound is tried from both sides.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "platform/signature/AuthenticodeStream.h"
#include "platform/signature/CertificateTable.h"
#include "support/LittleEndian.h"

namespace {

using namespace platform::signature;
using Bytes = std::vector<std::uint8_t>;

constexpr std::uint32_t kPe = 0x80;  // e_lfanew
constexpr std::uint32_t kHeaders = 0x400;

void Put32(Bytes& bytes, std::size_t at, std::uint32_t value)
{
    support::WriteU16(bytes.data() + at, static_cast<std::uint16_t>(value));
    support::WriteU16(bytes.data() + at + 2, static_cast<std::uint16_t>(value >> 16));
}

// A file of `fileSize` bytes whose headers name the table at offset/size.
struct Image {
    bool pe32Plus = false;
    std::uint32_t offset = 0x1000;
    std::uint32_t size = 0x100;
    std::uint32_t rvaCount = 16;
    std::size_t fileSize = 0x1100;

    std::size_t Optional() const { return kPe + 24; }
    std::size_t Entry() const { return Optional() + (pe32Plus ? 112 : 96) + 4 * 8; }

    Bytes Build() const
    {
        Bytes bytes(fileSize);
        bytes[0] = 'M';
        bytes[1] = 'Z';
        Put32(bytes, 60, kPe);
        bytes[kPe] = 'P';
        bytes[kPe + 1] = 'E';
        support::WriteU16(bytes.data() + kPe + 20, pe32Plus ? 240 : 224);  // SizeOfOptionalHeader
        support::WriteU16(bytes.data() + Optional(), pe32Plus ? 0x20B : 0x10B);
        Put32(bytes, Optional() + 60, kHeaders);
        Put32(bytes, Optional() + (pe32Plus ? 108 : 92), rvaCount);
        Put32(bytes, Entry(), offset);
        Put32(bytes, Entry() + 4, size);
        return bytes;
    }
};

TableLocation Locate(const Bytes& bytes) { return LocateCertificateTable(bytes.data(), bytes.size(), bytes.size()); }

TEST(CertificateTable, IsFoundInPe32AndPe32Plus)
{
    for (const bool pe32Plus : {false, true}) {
        Image image;
        image.pe32Plus = pe32Plus;
        const TableLocation location = Locate(image.Build());
        EXPECT_EQ(location.state, TableState::Present) << pe32Plus;
        EXPECT_EQ(location.layout.checkSumOffset, kPe + 24 + 64u);
        EXPECT_EQ(location.layout.directoryEntryOffset, image.Entry());
        EXPECT_EQ(location.layout.tableOffset, 0x1000u);
        EXPECT_EQ(location.layout.tableSize, 0x100u);
    }
}

TEST(CertificateTable, IsNoneWhenTheHeadersNameNone)
{
    Image image;
    Bytes notMz = image.Build();
    notMz[0] = 'Z';
    Bytes notPe = image.Build();
    notPe[kPe + 1] = 'X';
    Bytes romMagic = image.Build();
    support::WriteU16(romMagic.data() + image.Optional(), 0x107);
    Bytes shortOptional = image.Build();
    support::WriteU16(shortOptional.data() + kPe + 20, 96 + 4 * 8);  // ends just before the entry
    image.rvaCount = 4;
    Bytes fourDirectories = image.Build();
    image.rvaCount = 16;
    image.offset = 0;
    Bytes noOffset = image.Build();
    image.offset = 0x1000;
    image.size = 0;
    Bytes noSize = image.Build();

    for (const Bytes* bytes : std::initializer_list<const Bytes*>{&notMz, &notPe, &romMagic, &shortOptional, &fourDirectories, &noOffset, &noSize})
        EXPECT_EQ(Locate(*bytes).state, TableState::None);

    // Headers cut before the entry's end are no headers.
    const Bytes whole = Image().Build();
    EXPECT_EQ(LocateCertificateTable(whole.data(), Image().Entry() + 7, whole.size()).state, TableState::None);
    EXPECT_EQ(LocateCertificateTable(whole.data(), 63, whole.size()).state, TableState::None);
}

TEST(CertificateTable, IsBrokenWhenItCannotBeRead)
{
    const auto state = [](std::uint32_t offset, std::uint32_t size, std::size_t fileSize) {
        Image image;
        image.offset = offset;
        image.size = size;
        image.fileSize = fileSize;
        return Locate(image.Build()).state;
    };
    EXPECT_EQ(state(0x1000, 0x100, 0x1100), TableState::Present);      // ends at the file's end
    EXPECT_EQ(state(0x1000, 0x101, 0x1100), TableState::Broken);       // one byte past it
    EXPECT_EQ(state(0xFFFFFFF8, 0x10, 0x1100), TableState::Broken);    // offset + size wraps in 32 bits
    EXPECT_EQ(state(0x1004, 0xFC, 0x1100), TableState::Broken);        // off the 8-byte boundary
    EXPECT_EQ(state(0x200, 0x100, 0x1100), TableState::Broken);        // inside the headers
    EXPECT_EQ(state(0x1000, kMaxTableSize + 8, 0x1000 + kMaxTableSize + 8), TableState::Broken);
}

Bytes Entry(std::uint32_t length, std::uint16_t type, bool padTo8 = true)
{
    Bytes entry(padTo8 ? (length + 7) / 8 * 8 : length < 8 ? 8 : length);
    Put32(entry, 0, length);
    support::WriteU16(entry.data() + 4, 0x0200);
    support::WriteU16(entry.data() + 6, type);
    return entry;
}

Bytes Join(std::initializer_list<Bytes> parts)
{
    Bytes all;
    for (const Bytes& part : parts) all.insert(all.end(), part.begin(), part.end());
    return all;
}

TEST(CertificateTable, EntriesAreWalkedToTheSignedData)
{
    // After an X.509 entry whose length is not a multiple of 8: the next
    // starts at the boundary after it.
    const Bytes table = Join({Entry(13, 1), Entry(40, 2)});
    const SignedDataEntry found = FindSignedDataEntry(table.data(), table.size());
    EXPECT_EQ(found.state, EntryState::Found);
    EXPECT_EQ(found.offset, 16u + 8u);
    EXPECT_EQ(found.size, 32u);

    const Bytes onlyX509 = Join({Entry(16, 1), Bytes(7)});  // and fewer bytes than a header
    EXPECT_EQ(FindSignedDataEntry(onlyX509.data(), onlyX509.size()).state, EntryState::None);

    for (const std::uint32_t length : {0u, 7u, 8u, 41u}) {  // 8: a signed-data entry without data
        Bytes bad = Entry(40, 2);
        Put32(bad, 0, length);
        EXPECT_EQ(FindSignedDataEntry(bad.data(), bad.size()).state, EntryState::Broken) << length;
    }

    // Thousands of tiny entries end the walk early, not after all of them.
    Bytes many;
    for (int i = 0; i < 5000; ++i) many = Join({many, Entry(8, 1)});
    many = Join({many, Entry(40, 2)});
    EXPECT_EQ(FindSignedDataEntry(many.data(), many.size()).state, EntryState::Broken);
}

// Bytes kept, by a plain rule per byte, for layouts that overlap and run in any order.
TEST(AuthenticodeStream, LeavesOutTheThreeRangesWhateverThePieces)
{
    Bytes file(10000);
    for (std::size_t i = 0; i < file.size(); ++i) file[i] = static_cast<std::uint8_t>(i * 7 + i / 256);
    const CertificateTableLayout layouts[] = {
        {200, 300, 8000, 1000},  // data after the table is digested too
        {200, 300, 9000, 1000},  // the usual: the table ends the file
        {8100, 8004, 8000, 1000}, // both fields inside the table
        {300, 298, 0, 0},        // fields overlapping, no table
    };
    for (const CertificateTableLayout& layout : layouts) {
        const auto excluded = [&](std::uint64_t at) {
            return (at >= layout.checkSumOffset && at < layout.checkSumOffset + 4) ||
                   (at >= layout.directoryEntryOffset && at < layout.directoryEntryOffset + 8) ||
                   (at >= layout.tableOffset && at < layout.tableOffset + layout.tableSize);
        };
        Bytes expected;
        for (std::size_t i = 0; i < file.size(); ++i)
            if (!excluded(i)) expected.push_back(file[i]);

        Bytes kept;
        AuthenticodeStream stream(layout, [&](const std::uint8_t* data, std::size_t size) {
            kept.insert(kept.end(), data, data + size);
            return true;
        });
        std::size_t fed = 0;
        for (std::size_t piece = 1; fed < file.size(); piece = piece * 3 % 1009 + 1) {
            const std::size_t size = std::min(piece, file.size() - fed);
            ASSERT_TRUE(stream.Feed(file.data() + fed, size));
            fed += size;
        }
        EXPECT_EQ(kept, expected) << layout.tableOffset;
    }
}

TEST(AuthenticodeStream, EndsWhenTheDigestRefuses)
{
    int calls = 0;
    AuthenticodeStream stream({4, 8, 16, 8}, [&](const std::uint8_t*, std::size_t) { return ++calls < 2; });
    const Bytes file(64);
    EXPECT_FALSE(stream.Feed(file.data(), file.size()));
    EXPECT_FALSE(stream.Feed(file.data(), file.size()));
    EXPECT_EQ(calls, 2);
}

}  // namespace
