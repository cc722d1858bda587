#include "PeBuilder.h"

#include <algorithm>
#include <cstring>

namespace loader_test {

namespace {

constexpr std::uint32_t kFileAlignment = 0x200;
constexpr std::uint32_t kSectionAlignment = 0x1000;
constexpr std::uint32_t kHeadersSize = 0x400;
constexpr std::uint32_t kDataRva = 0x1000;

std::uint32_t AlignUp(std::uint32_t value, std::uint32_t alignment)
{
    return (value + alignment - 1) / alignment * alignment;
}

void PutU16(Bytes& bytes, std::size_t offset, std::uint16_t value)
{
    if (bytes.size() < offset + 2) bytes.resize(offset + 2);
    bytes[offset] = static_cast<std::uint8_t>(value);
    bytes[offset + 1] = static_cast<std::uint8_t>(value >> 8);
}

void PutU64(Bytes& bytes, std::size_t offset, std::uint64_t value)
{
    PutU32(bytes, offset, static_cast<std::uint32_t>(value));
    PutU32(bytes, offset + 4, static_cast<std::uint32_t>(value >> 32));
}

// The data section, written front to back; offsets are RVAs.
class DataSection {
public:
    std::uint32_t Here() const { return kDataRva + static_cast<std::uint32_t>(m_bytes.size()); }
    std::uint32_t Reserve(std::size_t size)
    {
        const std::uint32_t at = Here();
        m_bytes.resize(m_bytes.size() + ((size + 7) & ~std::size_t{7}));
        return at;
    }
    std::uint32_t Text(const std::string& text)
    {
        const std::uint32_t at = Reserve(text.size() + 1);
        std::memcpy(&m_bytes[at - kDataRva], text.data(), text.size());
        return at;
    }
    void U16(std::uint32_t rva, std::uint16_t value) { PutU16(m_bytes, rva - kDataRva, value); }
    void U32(std::uint32_t rva, std::uint32_t value) { PutU32(m_bytes, rva - kDataRva, value); }
    void U64(std::uint32_t rva, std::uint64_t value) { PutU64(m_bytes, rva - kDataRva, value); }
    Bytes& Bytes_() { return m_bytes; }

private:
    Bytes m_bytes;
};

// A lookup table of names and ordinals, ended by a zero entry.
std::uint32_t Thunks(DataSection& data, const ImportSpec& import, bool pe32Plus)
{
    const std::uint32_t width = pe32Plus ? 8 : 4;
    const std::size_t count = import.functions.size() + import.ordinals.size();
    const std::uint32_t table = data.Reserve((count + 1) * width);
    std::uint32_t at = table;
    for (const std::string& function : import.functions) {
        const std::uint32_t hint = data.Reserve(2 + function.size() + 1);
        std::memcpy(&data.Bytes_()[hint - kDataRva + 2], function.data(), function.size());
        if (pe32Plus) data.U64(at, hint);
        else data.U32(at, hint);
        at += width;
    }
    for (const std::uint16_t ordinal : import.ordinals) {
        if (pe32Plus) data.U64(at, (1ull << 63) | ordinal);
        else data.U32(at, (1u << 31) | ordinal);
        at += width;
    }
    return table;
}

}  // namespace

void PutU32(Bytes& bytes, std::size_t offset, std::uint32_t value)
{
    if (bytes.size() < offset + 4) bytes.resize(offset + 4);
    for (int i = 0; i < 4; ++i) bytes[offset + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

PeLayout BuildPe(const PeRecipe& recipe)
{
    const bool pe32Plus = recipe.machine == 0x8664 || recipe.machine == 0xAA64;
    DataSection data;
    std::uint32_t directories[16][2] = {};

    if (!recipe.imports.empty()) {
        const std::uint32_t table = data.Reserve((recipe.imports.size() + 1) * 20);
        for (std::size_t index = 0; index < recipe.imports.size(); ++index) {
            const std::uint32_t entry = table + static_cast<std::uint32_t>(index * 20);
            const std::uint32_t thunks = Thunks(data, recipe.imports[index], pe32Plus);
            data.U32(entry, thunks);
            data.U32(entry + 12, data.Text(recipe.imports[index].dll));
            data.U32(entry + 16, Thunks(data, recipe.imports[index], pe32Plus));
        }
        directories[1][0] = table;
        directories[1][1] = static_cast<std::uint32_t>((recipe.imports.size() + 1) * 20);
    }
    if (!recipe.delayImports.empty()) {
        const std::uint32_t table = data.Reserve((recipe.delayImports.size() + 1) * 32);
        for (std::size_t index = 0; index < recipe.delayImports.size(); ++index) {
            const std::uint32_t entry = table + static_cast<std::uint32_t>(index * 32);
            data.U32(entry, 1);
            data.U32(entry + 4, data.Text(recipe.delayImports[index].dll));
            data.U32(entry + 16, Thunks(data, recipe.delayImports[index], pe32Plus));
        }
        directories[13][0] = table;
        directories[13][1] = static_cast<std::uint32_t>((recipe.delayImports.size() + 1) * 32);
    }
    if (!recipe.exports.empty()) {
        const std::uint32_t start = data.Here();
        const std::uint32_t header = data.Reserve(40);
        const auto count = static_cast<std::uint32_t>(recipe.exports.size());
        const std::uint32_t functions = data.Reserve(count * 4);
        const std::uint32_t names = data.Reserve(count * 4);
        const std::uint32_t ordinals = data.Reserve(count * 2);
        data.U32(header + 16, 1);
        data.U32(header + 20, count);
        data.U32(header + 24, count);
        data.U32(header + 28, functions);
        data.U32(header + 32, names);
        data.U32(header + 36, ordinals);
        for (std::uint32_t index = 0; index < count; ++index) {
            const ExportSpec& entry = recipe.exports[index];
            data.U32(functions + index * 4, entry.forwardTo.empty() ? 0x3000 : data.Text(entry.forwardTo));
            data.U32(names + index * 4, data.Text(entry.name));
            data.U16(ordinals + index * 2, static_cast<std::uint16_t>(index));
        }
        directories[0][0] = start;
        directories[0][1] = data.Here() - start;
    }
    if (!recipe.manifest.empty()) {
        // root -> type 24 -> id -> language 0x409 -> data entry.
        const std::uint32_t root = data.Reserve(16 + 8);
        const std::uint32_t type = data.Reserve(16 + 8);
        const std::uint32_t id = data.Reserve(16 + 8);
        const std::uint32_t entry = data.Reserve(16);
        const std::uint32_t text = data.Text(recipe.manifest);
        data.U16(root + 14, 1);
        data.U32(root + 16, 24);
        data.U32(root + 20, 0x80000000u | (type - root));
        data.U16(type + 14, 1);
        data.U32(type + 16, recipe.dll ? 2 : 1);
        data.U32(type + 20, 0x80000000u | (id - root));
        data.U16(id + 14, 1);
        data.U32(id + 16, 0x409);
        data.U32(id + 20, entry - root);
        data.U32(entry, text);
        data.U32(entry + 4, static_cast<std::uint32_t>(recipe.manifest.size()));
        directories[2][0] = root;
        directories[2][1] = data.Here() - root;
    }
    data.Reserve(8);

    const std::uint32_t dataRaw = AlignUp(static_cast<std::uint32_t>(data.Bytes_().size()), kFileAlignment);
    PeLayout image;
    Bytes& bytes = image.bytes;
    bytes.assign(kHeadersSize, 0);
    bytes[0] = 'M';
    bytes[1] = 'Z';
    PutU32(bytes, 60, 0x40);
    std::memcpy(&bytes[0x40], "PE\0\0", 4);
    const std::size_t file = 0x44;
    const std::uint16_t sectionCount = static_cast<std::uint16_t>(1 + recipe.sections.size());
    const std::uint16_t optionalSize = pe32Plus ? 240 : 224;
    PutU16(bytes, file, recipe.machine);
    PutU16(bytes, file + 2, sectionCount);
    PutU16(bytes, file + 16, optionalSize);
    PutU16(bytes, file + 18, static_cast<std::uint16_t>(0x0002 | (recipe.dll ? 0x2000 : 0)));
    const std::size_t optional = 0x58;
    PutU16(bytes, optional, pe32Plus ? 0x20B : 0x10B);
    if (pe32Plus) PutU64(bytes, optional + 24, 0x180000000ull);
    else PutU32(bytes, optional + 28, 0x10000000u);
    PutU32(bytes, optional + 32, kSectionAlignment);
    PutU32(bytes, optional + 36, kFileAlignment);
    PutU32(bytes, optional + 60, kHeadersSize);
    PutU16(bytes, optional + 68, recipe.dll ? 2 : 3);
    PutU32(bytes, optional + (pe32Plus ? 108 : 92), 16);
    image.dataDirectories = optional + (pe32Plus ? 112 : 96);
    for (std::uint32_t index = 0; index < 16; ++index) {
        PutU32(bytes, image.dataDirectories + index * 8, directories[index][0]);
        PutU32(bytes, image.dataDirectories + index * 8 + 4, directories[index][1]);
    }

    std::size_t header = optional + optionalSize;
    std::uint32_t rva = kDataRva, raw = kHeadersSize;
    auto addSection = [&](const std::string& name, const Bytes& content) {
        const auto size = AlignUp(static_cast<std::uint32_t>(content.size()), kFileAlignment);
        std::memcpy(&bytes[header], name.data(), std::min<std::size_t>(name.size(), 8));
        PutU32(bytes, header + 8, static_cast<std::uint32_t>(content.size()));
        PutU32(bytes, header + 12, rva);
        PutU32(bytes, header + 16, size);
        PutU32(bytes, header + 20, raw);
        bytes.resize(raw + size, 0);
        std::memcpy(&bytes[raw], content.data(), content.size());
        header += 40;
        rva += AlignUp(size, kSectionAlignment);
        raw += size;
    };
    image.dataRva = kDataRva;
    image.dataOffset = kHeadersSize;
    Bytes content = data.Bytes_();
    content.resize(dataRaw, 0);
    addSection(".data", content);
    for (const auto& [name, extra] : recipe.sections) addSection(name, extra);
    PutU32(bytes, optional + 56, rva);
    return image;
}

}  // namespace loader_test
