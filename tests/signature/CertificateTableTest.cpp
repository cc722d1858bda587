// The certificate table found from crafted headers, its entries walked, and
// the bytes the Authenticode digest takes: every offset comes from the
// file, so each bound is tried from both sides, and every placement Windows
// refuses (the table over a section, before the file's end) is broken.
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
constexpr std::uint32_t kCheckSum = kPe + 24 + 64;

void Put32(Bytes& bytes, std::size_t at, std::uint32_t value)
{
    support::WriteU16(bytes.data() + at, static_cast<std::uint16_t>(value));
    support::WriteU16(bytes.data() + at + 2, static_cast<std::uint16_t>(value >> 16));
}

struct Section {
    std::uint32_t pointer;
    std::uint32_t size;
};

// A file of `fileSize` bytes whose headers name the sections and the table.
struct Image {
    bool pe32Plus = false;
    std::uint32_t sizeOfHeaders = 0x400;
    std::vector<Section> sections = {{0x400, 0x200}, {0x600, 0x200}, {0, 0}};  // .text, .data, .bss
    std::uint32_t offset = 0x800;
    std::uint32_t size = 0x100;
    std::uint32_t rvaCount = 16;
    std::size_t fileSize = 0x900;

    std::size_t Optional() const { return kPe + 24; }
    std::uint16_t OptionalSize() const { return pe32Plus ? 240 : 224; }
    std::size_t Entry() const { return Optional() + (pe32Plus ? 112 : 96) + 4 * 8; }

    Bytes Build() const
    {
        Bytes bytes(fileSize);
        bytes[0] = 'M';
        bytes[1] = 'Z';
        Put32(bytes, 60, kPe);
        bytes[kPe] = 'P';
        bytes[kPe + 1] = 'E';
        support::WriteU16(bytes.data() + kPe + 6, static_cast<std::uint16_t>(sections.size()));
        support::WriteU16(bytes.data() + kPe + 20, OptionalSize());
        support::WriteU16(bytes.data() + Optional(), pe32Plus ? 0x20B : 0x10B);
        Put32(bytes, Optional() + 60, sizeOfHeaders);
        Put32(bytes, Optional() + (pe32Plus ? 108 : 92), rvaCount);
        Put32(bytes, Entry(), offset);
        Put32(bytes, Entry() + 4, size);
        for (std::size_t i = 0; i < sections.size(); ++i) {
            const std::size_t header = Optional() + OptionalSize() + 40 * i;
            Put32(bytes, header + 16, sections[i].size);
            Put32(bytes, header + 20, sections[i].pointer);
        }
        return bytes;
    }
};

TableLocation Locate(const Bytes& bytes)
{
    return LocateCertificateTable(bytes.data(), bytes.size(), bytes.size());
}

TEST(CertificateTable, DigestsTheHeadersAndSectionsUpToTheTable)
{
    for (const bool pe32Plus : {false, true}) {
        Image image;
        image.pe32Plus = pe32Plus;
        const TableLocation location = Locate(image.Build());
        ASSERT_EQ(location.state, TableState::Present) << pe32Plus;
        EXPECT_EQ(location.layout.tableOffset, 0x800u);
        EXPECT_EQ(location.layout.tableSize, 0x100u);
        const std::vector<ByteRange> expected = {
            {0, kCheckSum}, {kCheckSum + 4, image.Entry()}, {image.Entry() + 8, 0x400}, {0x400, 0x600}, {0x600, 0x800}};
        EXPECT_EQ(location.layout.digested, expected) << pe32Plus;
    }

    // Sections in file order whatever the table's order; what lies between
    // two is no section's and not digested, as Windows hashes; what follows
    // the last one is, up to the table.
    Image image;
    image.sections = {{0x800, 0x100}, {0, 0}, {0x400, 0x200}};
    image.offset = 0xA00;
    image.fileSize = 0xB00;
    const TableLocation location = Locate(image.Build());
    ASSERT_EQ(location.state, TableState::Present);
    const std::vector<ByteRange> expected = {
        {0, kCheckSum}, {kCheckSum + 4, image.Entry()}, {image.Entry() + 8, 0x400}, {0x400, 0x600}, {0x800, 0x900},
        {0x900, 0xA00}};
    EXPECT_EQ(location.layout.digested, expected);
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
    image.offset = 0x800;
    image.size = 0;
    Bytes noSize = image.Build();

    for (const Bytes* bytes : {&notMz, &notPe, &romMagic, &shortOptional, &fourDirectories, &noOffset, &noSize})
        EXPECT_EQ(Locate(*bytes).state, TableState::None);

    // Headers cut before the entry's end are no headers.
    const Bytes whole = Image().Build();
    EXPECT_EQ(LocateCertificateTable(whole.data(), Image().Entry() + 7, whole.size()).state, TableState::None);
    EXPECT_EQ(LocateCertificateTable(whole.data(), 63, whole.size()).state, TableState::None);
}

TEST(CertificateTable, IsBrokenWhereWindowsTakesNone)
{
    struct Case {
        const char* what;
        void (*change)(Image&);
    };
    const Case cases[] = {
        {"one byte past the end", [](Image& i) { i.size = 0x101; }},
        {"offset + size wraps in 32 bits",
         [](Image& i) {
             i.offset = 0xFFFFFFF8;
             i.size = 0x908;
         }},
        {"off the 8-byte boundary",
         [](Image& i) {
             i.offset = 0x804;
             i.size = 0xFC;
         }},
        {"bytes after it", [](Image& i) { i.fileSize = 0x908; }},
        {"a size not a multiple of 8",
         [](Image& i) {
             i.size = 0xFC;
             i.fileSize = 0x8FC;
         }},
        {"inside the headers",
         [](Image& i) {
             i.offset = 0x200;
             i.size = 0x700;
         }},
        {"over the last section's raw data",
         [](Image& i) {
             i.offset = 0x700;
             i.size = 0x200;
         }},
        {"larger than any signature",
         [](Image& i) {
             i.size = kMaxTableSize + 8;
             i.fileSize = 0x800 + i.size;
         }},
        {"sections overlapping", [](Image& i) { i.sections[1].pointer = 0x5F8; }},
        {"two sections at one place", [](Image& i) { i.sections[1].pointer = 0x400; }},
        {"a section over the headers", [](Image& i) { i.sections[0].pointer = 0x3F8; }},
        {"a section past the file's end", [](Image& i) { i.sections[1].size = 0xFFFFFE00; }},
        {"SizeOfHeaders past the table", [](Image& i) { i.sizeOfHeaders = 0x808; }},
        {"SizeOfHeaders before the section table's end", [](Image& i) { i.sizeOfHeaders = 0x1E8; }},
        {"SizeOfHeaders before the directory entry", [](Image& i) { i.sizeOfHeaders = 0x100; }},
    };
    for (const bool pe32Plus : {false, true}) {
        for (const Case& c : cases) {
            Image image;
            image.pe32Plus = pe32Plus;
            c.change(image);
            EXPECT_EQ(Locate(image.Build()).state, TableState::Broken) << c.what << ", PE32+ " << pe32Plus;
        }
    }

    // A section table beyond what was read of the headers.
    Image many;
    many.sections.assign(40, {0, 0});
    many.sizeOfHeaders = 0x800;
    many.sections.push_back({0x800, 0});
    const Bytes bytes = many.Build();
    EXPECT_EQ(LocateCertificateTable(bytes.data(), 0x400, bytes.size()).state, TableState::Broken);
    EXPECT_EQ(LocateCertificateTable(bytes.data(), bytes.size(), bytes.size()).state, TableState::Present);
}

Bytes Entry(std::uint32_t length, std::uint16_t type, std::uint16_t revision = 0x0200)
{
    Bytes entry((length + 7) / 8 * 8);
    Put32(entry, 0, length);
    support::WriteU16(entry.data() + 4, revision);
    support::WriteU16(entry.data() + 6, type);
    return entry;
}

Bytes Join(std::initializer_list<Bytes> parts)
{
    Bytes all;
    for (const Bytes& part : parts) all.insert(all.end(), part.begin(), part.end());
    return all;
}

EntryState Walk(const Bytes& table)
{
    return FindSignedDataEntry(table.data(), table.size()).state;
}

TEST(CertificateTable, TakesTheFirstEntryAndNothingPastTheLast)
{
    // A signature whose length is not a multiple of 8, an X.509 entry after it.
    const Bytes table = Join({Entry(45, 2), Entry(13, 1)});
    const SignedDataEntry found = FindSignedDataEntry(table.data(), table.size());
    EXPECT_EQ(found.state, EntryState::Found);
    EXPECT_EQ(found.offset, 8u);
    EXPECT_EQ(found.size, 37u);
    EXPECT_EQ(Walk(Entry(40, 2, 0x0100)), EntryState::Found);

    EXPECT_EQ(Walk(Join({Entry(16, 1), Entry(40, 2)})), EntryState::Broken);  // Windows reads entry 0 only
    EXPECT_EQ(Walk(Entry(40, 2, 0x0300)), EntryState::Broken);
    EXPECT_EQ(Walk(Join({Entry(40, 2), Bytes(8)})), EntryState::Broken);  // 8 bytes of no entry
    EXPECT_EQ(Walk(Join({Entry(40, 2), Bytes(7)})), EntryState::Broken);
    for (const std::uint32_t length : {0u, 7u, 8u, 41u}) {  // 8: a signed-data entry without data
        Bytes bad = Entry(40, 2);
        Put32(bad, 0, length);
        EXPECT_EQ(Walk(bad), EntryState::Broken) << length;
    }

    // Thousands of tiny entries end the walk early, not after all of them.
    Bytes many = Entry(40, 2);
    for (int i = 0; i < 5000; ++i) many = Join({many, Entry(8, 1)});
    EXPECT_EQ(Walk(many), EntryState::Broken);
}

// Past the PKCS#7's own DER length, up to the entry's padded end, zeros
// only: a payload hidden there is covered by no signature.
TEST(CertificateTable, TakesNoDataHiddenAfterTheSignedDataInItsEntry)
{
    Bytes padded = Entry(45, 2);
    padded[8] = 0x30;  // a SEQUENCE of 18 bytes: 20 of the entry's 37
    padded[9] = 18;
    EXPECT_EQ(Walk(padded), EntryState::Found);
    Bytes hidden = padded;
    hidden[8 + 20] = 'X';
    EXPECT_EQ(Walk(hidden), EntryState::Broken);
    Bytes inAlignment = padded;
    inAlignment[46] = 1;  // between the entry's 45 bytes and the 48 it takes
    EXPECT_EQ(Walk(inAlignment), EntryState::Broken);
}

// Bytes kept, by a plain rule per byte, whatever the pieces they come in.
TEST(AuthenticodeStream, FeedsTheRangesWhateverThePieces)
{
    Bytes file(10000);
    for (std::size_t i = 0; i < file.size(); ++i) file[i] = static_cast<std::uint8_t>(i * 7 + i / 256);
    const std::vector<ByteRange> ranges = {{0, 216}, {220, 280}, {288, 1024}, {1024, 4096}, {4608, 9000}};
    Bytes expected;
    for (std::size_t i = 0; i < file.size(); ++i) {
        for (const ByteRange& range : ranges)
            if (i >= range.begin && i < range.end) expected.push_back(file[i]);
    }

    Bytes kept;
    AuthenticodeStream stream(ranges, [&](const std::uint8_t* data, std::size_t size) {
        kept.insert(kept.end(), data, data + size);
        return true;
    });
    EXPECT_EQ(stream.End(), 9000u);
    std::size_t fed = 0;
    for (std::size_t piece = 1; fed < file.size(); piece = piece * 3 % 1009 + 1) {
        const std::size_t size = std::min(piece, file.size() - fed);
        EXPECT_EQ(stream.Complete(), fed >= 9000) << fed;
        ASSERT_TRUE(stream.Feed(file.data() + fed, size));
        fed += size;
    }
    EXPECT_TRUE(stream.Complete());
    EXPECT_EQ(kept, expected);
}

TEST(AuthenticodeStream, EndsWhenTheDigestRefuses)
{
    int calls = 0;
    AuthenticodeStream stream({{0, 4}, {8, 16}, {24, 64}},
                              [&](const std::uint8_t*, std::size_t) { return ++calls < 2; });
    const Bytes file(64);
    EXPECT_FALSE(stream.Feed(file.data(), file.size()));
    EXPECT_FALSE(stream.Feed(file.data(), file.size()));
    EXPECT_EQ(calls, 2);
}

}  // namespace
