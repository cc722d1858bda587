// The bitness probe tests three header fields (e_lfarlc and e_lfanew of the
// MS-DOS header and the optional header's Magic), and the PE signature where
// the MS-DOS header alone would call the file 16-bit. It reads the file's
// first page, where all of them nearly always lie, and a field alone when it
// lies further: a cost that does not grow with the module, so a module over
// 4 GiB is judged by its real size.
#include "engine/ModuleBitness.h"

#include <cstdint>

#include "support/LittleEndian.h"
#include "support/PeLayout.h"

namespace {

namespace pe = support::pe;
using support::ReadU16;
using support::ReadU32;

bool ReadField(const ModuleHead& head, std::uint64_t offset, unsigned char* field, std::size_t count)
{
    return head.Read(offset, field, count) == count;
}

}  // namespace

int ProbeModuleBitness(const ModuleHead& head)
{
    if (head.FileSize() < pe::kDosHeaderSize || head.Size() < pe::kDosHeaderSize) return 0;
    const std::uint8_t* header = head.Bytes();
    const std::uint16_t relocationTableOffset = ReadU16(header + pe::kRelocationTableOffsetField);
    const std::uint32_t newHeaderOffset = ReadU32(header + pe::kNewHeaderOffsetField);

    bool newStyleHeader = relocationTableOffset >= 64 || (relocationTableOffset == 0 && newHeaderOffset == 64);
    // Network-boot EFI images and packed executables leave e_lfarlc 0 with
    // the PE header elsewhere than at 64: the signature tells them from an
    // old MS-DOS or 16-bit module.
    if (!newStyleHeader && relocationTableOffset == 0 && std::uint64_t{newHeaderOffset} + 4 <= head.FileSize()) {
        unsigned char signature[4];
        newStyleHeader = ReadField(head, newHeaderOffset, signature, sizeof signature) && signature[0] == 'P' &&
                         signature[1] == 'E' && signature[2] == 0 && signature[3] == 0;
    }
    if (!newStyleHeader) return 16;

    const std::uint64_t magicOffset = std::uint64_t{newHeaderOffset} + pe::kOptionalHeader + pe::kMagicField;
    if (magicOffset + 2 > head.FileSize()) return 0;
    unsigned char magic[2];
    if (!ReadField(head, magicOffset, magic, sizeof magic)) return 0;
    switch (ReadU16(magic)) {
    case pe::kPe32Magic: return 32;
    case pe::kPe32PlusMagic: return 64;
    default: return 0;
    }
}

int GetModuleBitness(const char* path)
{
    const platform::ModuleFile file(path, platform::FileSharing::Nobody);
    if (!file.IsOpen()) return 0;
    return ProbeModuleBitness(ModuleHead(file));
}
