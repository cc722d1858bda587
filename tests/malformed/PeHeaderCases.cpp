// Header fields of the sample PE32 that point outside the file or claim
// more than it holds.
#include "MalformedCase.h"
#include "SampleModules.h"

namespace malformed {
namespace {

using crafted::PeImage;
using crafted::PutU16;
using crafted::PutU32;

MalformedCase Patched(const std::string& name, std::function<void(PeImage&)> patch, ModuleRow row)
{
    return {name,
            [patch] {
                PeImage image = SamplePe();
                patch(image);
                return image.bytes;
            },
            row};
}

std::function<void(PeImage&)> NewHeaderAt(std::uint32_t offset)
{
    return [offset](PeImage& i) { PutU32(i.bytes, 60, offset); };
}

const MalformedCase kCases[] = {
    // e_lfanew near 0xFFFFFFFF: negative to Windows, far past the end to the
    // probe; with 0xFFFFFFE8 the Magic's offset would wrap to 0 in 32 bits.
    Patched("e_lfanew 0xFFFFFFFF", NewHeaderAt(0xFFFFFFFFu), NoVersionResource(0)),
    Patched("e_lfanew 0xFFFFFFFC", NewHeaderAt(0xFFFFFFFCu), NoVersionResource(0)),
    Patched("e_lfanew 0xFFFFFFE8", NewHeaderAt(0xFFFFFFE8u), NoVersionResource(0)),
    Patched("e_lfanew 0x80000000", NewHeaderAt(0x80000000u), NoVersionResource(0)),
    Patched("e_lfanew 0x7FFFFFFF", NewHeaderAt(0x7FFFFFFFu), NoVersionResource(0)),
    Patched(
        "e_lfanew at the file's last two bytes, which read PE",
        [](PeImage& i) {
            const std::size_t last = i.bytes.size() - 2;
            i.bytes[last] = 'P';
            i.bytes[last + 1] = 'E';
            PutU32(i.bytes, 60, static_cast<std::uint32_t>(last));
        },
        NoVersionResource(0)),

    // 65535 sections: a table far past the end, or one that the file holds
    // (the two real sections first, then empty ones).
    Patched(
        "65535 sections past the end", [](PeImage& i) { PutU16(i.bytes, i.peSignatureOffset + 6, 0xFFFF); },
        NoVersionResource(32)),
    Patched(
        "65535 sections inside the file",
        [](PeImage& i) {
            PutU16(i.bytes, i.peSignatureOffset + 6, 0xFFFF);
            i.bytes.resize(i.sectionTableOffset + 40 * 65535, 0);
        },
        Intact(32)),
    Patched(
        "no sections", [](PeImage& i) { PutU16(i.bytes, i.peSignatureOffset + 6, 0); }, NoVersionResource(32)),
    Patched(
        "SizeOfOptionalHeader 0xFFFF", [](PeImage& i) { PutU16(i.bytes, i.peSignatureOffset + 20, 0xFFFF); },
        NoVersionResource(32)),

    // Only the letters of "PE\0\0" are checked; an unknown Magic names no layout.
    Patched(
        "PE followed by junk", [](PeImage& i) { i.bytes[i.peSignatureOffset + 2] = 'x'; }, Intact(32)),
    Patched(
        "unknown Magic 0x107", [](PeImage& i) { PutU16(i.bytes, i.optionalHeaderOffset, 0x107); },
        NoVersionResource(0)),

    Patched(
        "NumberOfRvaAndSizes 0xFFFFFFFF", [](PeImage& i) { PutU32(i.bytes, i.optionalHeaderOffset + 92, 0xFFFFFFFFu); },
        Intact(32)),
    Patched(
        "NumberOfRvaAndSizes 2, no resource entry", [](PeImage& i) { PutU32(i.bytes, i.optionalHeaderOffset + 92, 2); },
        NoVersionResource(32)),
    Patched(
        "resource directory of size 0", [](PeImage& i) { PutU32(i.bytes, i.resourceDataDirectoryOffset + 4, 0); },
        NoVersionResource(32)),
    Patched(
        "resource RVA in no section", [](PeImage& i) { PutU32(i.bytes, i.resourceDataDirectoryOffset, 0xFFFFFFF0u); },
        NoVersionResource(32)),
    Patched(
        ".rsrc raw data past the end", [](PeImage& i) { PutU32(i.bytes, i.sectionTableOffset + 40 + 20, 0xFFFFFE00u); },
        NoVersionResource(32)),
    // A section whose raw data runs past the end of the file maps as no
    // image, and the file reader wants the resource section whole: none.
    Patched(
        ".rsrc raw size 0xFFFFFFFF", [](PeImage& i) { PutU32(i.bytes, i.sectionTableOffset + 40 + 16, 0xFFFFFFFFu); },
        NoVersionResource(32)),
};

INSTANTIATE_TEST_SUITE_P(PeHeaders, MalformedModule, ::testing::ValuesIn(kCases), CaseName);

}  // namespace
}  // namespace malformed
