// Reads through a small cache of file blocks: an import table, its names and
// thunks usually sit in one or two sections, so a module costs a few reads
// however many names it has. Every count taken from the file is capped by
// ImportReadLimits before anything is allocated for it.
#include "engine/ModuleImports.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <optional>
#include <string_view>

#include "support/LittleEndian.h"
#include "support/PeLayout.h"

namespace {

namespace pe = support::pe;
using support::ReadU16;
using support::ReadU32;
using support::ReadU64;

constexpr std::size_t kBlockSize = 16 * 1024;
constexpr std::size_t kMaxCachedBlocks = 64;

// File bytes by offset, through cached blocks of kBlockSize.
class BlockReader {
public:
    explicit BlockReader(const platform::ModuleFile& file) : m_file(file) {}

    std::uint64_t Size() const { return m_file.Size(); }
    bool Failed() const { return m_failed; }

    // Exactly `size` bytes at `offset`, or false (past the end, or a failed read).
    bool Read(std::uint64_t offset, void* out, std::size_t size)
    {
        if (offset > Size() || size > Size() - offset) return false;
        auto* target = static_cast<std::uint8_t*>(out);
        while (size > 0) {
            const std::uint64_t index = offset / kBlockSize;
            const std::vector<std::uint8_t>* block = Block(index);
            if (!block) return false;
            const std::size_t within = static_cast<std::size_t>(offset % kBlockSize);
            if (within >= block->size()) return false;
            const std::size_t take = std::min(size, block->size() - within);
            std::memcpy(target, block->data() + within, take);
            target += take;
            offset += take;
            size -= take;
        }
        return true;
    }

    // The NUL-terminated text at `offset`, at most `maxLength` bytes before
    // its NUL; none when the NUL is not there.
    std::optional<std::string> ReadText(std::uint64_t offset, std::size_t maxLength)
    {
        std::string text;
        while (text.size() <= maxLength) {
            if (offset >= Size()) return std::nullopt;
            const std::vector<std::uint8_t>* block = Block(offset / kBlockSize);
            if (!block) return std::nullopt;
            const std::size_t within = static_cast<std::size_t>(offset % kBlockSize);
            if (within >= block->size()) return std::nullopt;
            const auto* start = block->data() + within;
            const std::size_t room = block->size() - within;
            const void* nul = std::memchr(start, 0, room);
            const std::size_t length = nul ? static_cast<const std::uint8_t*>(nul) - start : room;
            text.append(reinterpret_cast<const char*>(start), length);
            if (nul) return text.size() <= maxLength ? std::optional<std::string>(text) : std::nullopt;
            offset += room;
        }
        return std::nullopt;
    }

private:
    const std::vector<std::uint8_t>* Block(std::uint64_t index)
    {
        auto found = m_blocks.find(index);
        if (found != m_blocks.end()) return &found->second;
        if (m_blocks.size() >= kMaxCachedBlocks) m_blocks.clear();
        const std::uint64_t start = index * kBlockSize;
        const std::size_t size = static_cast<std::size_t>(std::min<std::uint64_t>(kBlockSize, Size() - start));
        std::vector<std::uint8_t> bytes(size);
        if (!m_file.ReadExactly(start, bytes.data(), size)) {
            m_failed = true;
            return nullptr;
        }
        return &m_blocks.emplace(index, std::move(bytes)).first->second;
    }

    const platform::ModuleFile& m_file;
    std::map<std::uint64_t, std::vector<std::uint8_t>> m_blocks;
    bool m_failed = false;
};

// What can name a file at all: not empty, no control characters.
bool IsFileName(const std::string& name)
{
    if (name.empty()) return false;
    for (const char c : name) {
        if (static_cast<unsigned char>(c) < 0x20) return false;
    }
    return true;
}

struct Section {
    std::uint32_t virtualAddress = 0;
    std::uint32_t virtualSize = 0;
    std::uint32_t rawSize = 0;
    std::uint32_t rawPointer = 0;
};

struct DataDirectory {
    std::uint32_t rva = 0;
    std::uint32_t size = 0;
};

// The image as the tables see it: RVAs mapped to file offsets.
class ImageView {
public:
    explicit ImageView(BlockReader& reader) : m_reader(reader) {}

    bool ReadHeaders(ModuleImports& facts)
    {
        std::uint8_t dos[pe::kDosHeaderSize];
        if (!m_reader.Read(0, dos, sizeof dos) || dos[0] != 'M' || dos[1] != 'Z') return false;
        facts.wineBuiltin = HasMarker(pe::kWineBuiltinMarker) || HasMarker(pe::kWinePlaceholderMarker);

        const std::uint64_t header = ReadU32(dos + pe::kNewHeaderOffsetField);
        std::uint8_t file[pe::kOptionalHeader + 2];
        if (!m_reader.Read(header, file, sizeof file)) return false;
        if (std::memcmp(file, "PE\0\0", 4) != 0) return false;
        const std::uint16_t magic = ReadU16(file + pe::kOptionalHeader + pe::kMagicField);
        if (magic != pe::kPe32Magic && magic != pe::kPe32PlusMagic) return false;
        m_pe32Plus = magic == pe::kPe32PlusMagic;

        const std::uint16_t optionalSize = ReadU16(file + pe::kSizeOfOptionalHeaderField);
        std::vector<std::uint8_t> optional(optionalSize);
        if (!m_reader.Read(header + pe::kOptionalHeader, optional.data(), optional.size())) return false;
        const std::size_t countField = pe::NumberOfRvaAndSizesField(m_pe32Plus);
        if (optional.size() < countField + 4) return false;
        const std::uint32_t count = ReadU32(optional.data() + countField);
        for (std::uint32_t index = 0; index < std::min<std::uint32_t>(count, 16); ++index) {
            const std::size_t field = pe::DataDirectoryField(m_pe32Plus, index);
            if (field + pe::kDataDirectoryEntrySize > optional.size()) break;
            m_directories[index] = {ReadU32(optional.data() + field), ReadU32(optional.data() + field + 4)};
        }
        m_imageBase = m_pe32Plus ? ReadU64(optional.data() + pe::kPe32PlusImageBaseField)
                                 : ReadU32(optional.data() + pe::kPe32ImageBaseField);
        m_headersSize =
            optional.size() >= pe::kSizeOfHeadersField + 4 ? ReadU32(optional.data() + pe::kSizeOfHeadersField) : 0;

        const auto sections = static_cast<std::uint16_t>(
            std::min<std::size_t>(ReadU16(file + pe::kNumberOfSectionsField), pe::kMaxSections));
        std::vector<std::uint8_t> table(static_cast<std::size_t>(sections) * pe::kSectionHeaderSize);
        if (!m_reader.Read(header + pe::kOptionalHeader + optionalSize, table.data(), table.size())) return false;
        for (std::uint16_t index = 0; index < sections; ++index) {
            const std::uint8_t* entry = table.data() + index * pe::kSectionHeaderSize;
            m_sections.push_back(
                {ReadU32(entry + pe::kSectionVirtualAddressField), ReadU32(entry + pe::kSectionVirtualSizeField),
                 ReadU32(entry + pe::kSectionSizeOfRawDataField), ReadU32(entry + pe::kSectionPointerToRawDataField)});
        }
        facts.machine = ReadU16(file + pe::kMachineField);
        facts.pe32Plus = m_pe32Plus;
        facts.isDll = (ReadU16(file + pe::kCharacteristicsField) & pe::kFileIsDll) != 0;
        return true;
    }

    bool Pe32Plus() const { return m_pe32Plus; }

    bool HasMarker(const char* marker)
    {
        const std::size_t length = std::strlen(marker) + 1;
        char bytes[32] = {};
        return length <= sizeof bytes && m_reader.Read(pe::kDosHeaderSize, bytes, length) &&
               std::memcmp(bytes, marker, length) == 0;
    }
    std::uint64_t ImageBase() const { return m_imageBase; }
    DataDirectory Directory(std::uint32_t index) const { return index < 16 ? m_directories[index] : DataDirectory{}; }

    // The file offset of `rva`, where `size` bytes from it lie in one
    // section's file data (or in the headers).
    std::optional<std::uint64_t> Offset(std::uint32_t rva, std::uint32_t size = 1) const
    {
        for (const Section& section : m_sections) {
            const std::uint32_t mapped = std::max(section.virtualSize, section.rawSize);
            if (rva < section.virtualAddress || rva - section.virtualAddress >= mapped) continue;
            const std::uint32_t within = rva - section.virtualAddress;
            if (within >= section.rawSize || size > section.rawSize - within) return std::nullopt;
            return static_cast<std::uint64_t>(section.rawPointer) + within;
        }
        if (rva < m_headersSize && size <= m_headersSize - rva) return rva;
        return std::nullopt;
    }

    bool ReadRva(std::uint32_t rva, void* out, std::uint32_t size)
    {
        const std::optional<std::uint64_t> offset = Offset(rva, size);
        return offset && m_reader.Read(*offset, out, size);
    }

    std::optional<std::string> ReadTextAt(std::uint32_t rva, std::size_t maxLength)
    {
        const std::optional<std::uint64_t> offset = Offset(rva);
        if (!offset) return std::nullopt;
        return m_reader.ReadText(*offset, maxLength);
    }

private:
    BlockReader& m_reader;
    bool m_pe32Plus = false;
    std::uint64_t m_imageBase = 0;
    std::uint32_t m_headersSize = 0;
    DataDirectory m_directories[16] = {};
    std::vector<Section> m_sections;
};

class TableReader {
public:
    TableReader(ImageView& image, ModuleImports& facts, const ImportReadLimits& limits)
        : m_image(image), m_facts(facts), m_limits(limits)
    {
    }

    void ReadImports()
    {
        const DataDirectory directory = m_image.Directory(pe::kImportDirectory);
        if (directory.rva == 0) return;
        for (std::size_t index = 0;; ++index) {
            if (index >= m_limits.maxModulesPerTable) return Truncated();
            std::uint8_t entry[pe::kImportDescriptorSize];
            if (!m_image.ReadRva(directory.rva + static_cast<std::uint32_t>(index * sizeof entry), entry,
                                 sizeof entry)) {
                return Truncated();
            }
            const std::uint32_t lookup = ReadU32(entry + pe::kImportLookupTableField);
            const std::uint32_t name = ReadU32(entry + pe::kImportNameField);
            const std::uint32_t addresses = ReadU32(entry + pe::kImportAddressTableField);
            // The loader ends the table at the first entry without a name or
            // an address table.
            if (name == 0 || addresses == 0) return;
            AddModule(m_facts.imports, name, lookup != 0 ? lookup : addresses);
        }
    }

    void ReadDelayImports()
    {
        const DataDirectory directory = m_image.Directory(pe::kDelayImportDirectory);
        if (directory.rva == 0) return;
        // No loader walks this table (each delay load finds its own entry),
        // so its stated size bounds it as much as a zero entry does.
        const std::size_t stated = directory.size / pe::kDelayDescriptorSize;
        for (std::size_t index = 0;; ++index) {
            if (directory.size != 0 && index >= stated) return;
            if (index >= m_limits.maxModulesPerTable) return Truncated();
            std::uint8_t entry[pe::kDelayDescriptorSize];
            if (!m_image.ReadRva(directory.rva + static_cast<std::uint32_t>(index * sizeof entry), entry,
                                 sizeof entry)) {
                return Truncated();
            }
            // The oldest linkers wrote virtual addresses rather than RVAs.
            const bool rvaBased = (ReadU32(entry + pe::kDelayAttributesField) & pe::kDelayAttributesRvaBased) != 0;
            std::uint32_t name = ReadU32(entry + pe::kDelayNameField);
            std::uint32_t names = ReadU32(entry + pe::kDelayNameTableField);
            if (name == 0) return;
            if (!rvaBased) {
                name = ToRva(name);
                names = ToRva(names);
            }
            AddModule(m_facts.delayImports, name, names);
        }
    }

    void ReadForwarders()
    {
        const DataDirectory directory = m_image.Directory(pe::kExportDirectory);
        if (directory.rva == 0 || directory.size == 0) return;
        std::uint8_t header[pe::kExportDirectorySize];
        if (!m_image.ReadRva(directory.rva, header, sizeof header)) return Truncated();
        const std::uint32_t base = ReadU32(header + pe::kExportOrdinalBaseField);
        std::uint32_t functionCount = ReadU32(header + pe::kExportFunctionCountField);
        std::uint32_t nameCount = ReadU32(header + pe::kExportNameCountField);
        if (functionCount > m_limits.maxExports || nameCount > m_limits.maxExports) {
            Truncated();
            functionCount = std::min<std::uint32_t>(functionCount, static_cast<std::uint32_t>(m_limits.maxExports));
            nameCount = std::min<std::uint32_t>(nameCount, static_cast<std::uint32_t>(m_limits.maxExports));
        }
        std::vector<std::uint8_t> functions(functionCount * 4u);
        if (!m_image.ReadRva(ReadU32(header + pe::kExportFunctionsField), functions.data(), functionCount * 4u))
            return Truncated();

        // The forwarders by function index, and the names that lead to each.
        std::map<std::uint32_t, std::vector<std::string>> namesOf;
        for (std::uint32_t index = 0; index < functionCount; ++index) {
            const std::uint32_t address = ReadU32(functions.data() + index * 4u);
            if (address >= directory.rva && address - directory.rva < directory.size) namesOf[index];
        }
        if (namesOf.empty()) return;
        std::vector<std::uint8_t> names(nameCount * 4u), ordinals(nameCount * 2u);
        if (nameCount > 0 &&
            (!m_image.ReadRva(ReadU32(header + pe::kExportNamesField), names.data(), nameCount * 4u) ||
             !m_image.ReadRva(ReadU32(header + pe::kExportNameOrdinalsField), ordinals.data(), nameCount * 2u))) {
            Truncated();
            nameCount = 0;
        }
        for (std::uint32_t index = 0; index < nameCount; ++index) {
            auto forwarder = namesOf.find(ReadU16(ordinals.data() + index * 2u));
            if (forwarder == namesOf.end()) continue;
            std::optional<std::string> name =
                m_image.ReadTextAt(ReadU32(names.data() + index * 4u), m_limits.maxNameLength);
            if (name) forwarder->second.push_back(std::move(*name));
            else Truncated();
        }
        for (const auto& [index, exportNames] : namesOf) {
            std::optional<std::string> target =
                m_image.ReadTextAt(ReadU32(functions.data() + index * 4u), m_limits.maxNameLength);
            if (!target) {
                Truncated();
                continue;
            }
            const auto ordinal = static_cast<std::uint16_t>(base + index);
            if (exportNames.empty()) m_facts.forwarders.push_back({std::string(), ordinal, *target});
            for (const std::string& name : exportNames) m_facts.forwarders.push_back({name, ordinal, *target});
        }
    }

    void ReadManifest()
    {
        const DataDirectory directory = m_image.Directory(pe::kResourceDirectory);
        if (directory.rva == 0) return;
        const std::uint32_t wantedId = m_facts.isDll ? pe::kIsolationAwareManifestId : pe::kProcessManifestId;
        const std::optional<std::uint32_t> types = Child(directory.rva, 0, pe::kResourceTypeManifest, true);
        if (!types) return;
        const std::optional<std::uint32_t> languages = Child(directory.rva, *types, wantedId, true);
        if (!languages) return;
        const std::optional<std::uint32_t> data = Child(directory.rva, *languages, std::nullopt, false);
        if (!data) return;
        std::uint8_t entry[pe::kResourceDataEntrySize];
        if (!m_image.ReadRva(directory.rva + *data, entry, sizeof entry)) return Truncated();
        std::uint32_t size = ReadU32(entry + 4);
        if (size > m_limits.maxManifestSize) return Truncated();
        std::string text(size, '\0');
        if (!m_image.ReadRva(ReadU32(entry), text.data(), size)) return Truncated();
        m_facts.manifest = std::move(text);
    }

private:
    void Truncated() { m_facts.truncated = true; }

    std::uint32_t ToRva(std::uint32_t address) const
    {
        const std::uint64_t base = m_image.ImageBase();
        return address >= base && address - base <= 0xFFFFFFFFu ? static_cast<std::uint32_t>(address - base) : 0;
    }

    void AddModule(std::vector<ImportedModule>& table, std::uint32_t nameRva, std::uint32_t thunks)
    {
        std::optional<std::string> name = m_image.ReadTextAt(nameRva, m_limits.maxNameLength);
        if (!name || !IsFileName(*name)) return Truncated();
        ImportedModule module;
        module.name = std::move(*name);
        ReadThunks(module, thunks);
        table.push_back(std::move(module));
    }

    void ReadThunks(ImportedModule& module, std::uint32_t rva)
    {
        if (rva == 0) return;
        const std::uint32_t width = m_image.Pe32Plus() ? 8 : 4;
        const std::uint64_t ordinalFlag = m_image.Pe32Plus() ? (1ull << 63) : (1ull << 31);
        for (std::size_t index = 0;; ++index) {
            if (index >= m_limits.maxFunctionsPerModule) return Truncated();
            std::uint8_t bytes[8] = {};
            if (!m_image.ReadRva(rva + static_cast<std::uint32_t>(index * width), bytes, width)) return Truncated();
            const std::uint64_t thunk = width == 8 ? ReadU64(bytes) : ReadU32(bytes);
            if (thunk == 0) return;
            if (thunk & ordinalFlag) {
                module.ordinals.push_back(static_cast<std::uint16_t>(thunk));
                continue;
            }
            // IMAGE_IMPORT_BY_NAME: a hint, then the name.
            std::optional<std::string> name = m_image.ReadTextAt(
                static_cast<std::uint32_t>(thunk) + pe::kImportByNameHintSize, m_limits.maxNameLength);
            if (!name) {
                Truncated();
                continue;
            }
            module.functions.push_back(std::move(*name));
        }
    }

    // The offset (from the resource root) that entry `id` of the directory
    // at `directory` points to; the first entry when `id` is none.
    // `subdirectory`: the entry must lead to a directory (else to data).
    std::optional<std::uint32_t> Child(std::uint32_t root, std::uint32_t directory, std::optional<std::uint32_t> id,
                                       bool subdirectory)
    {
        std::uint8_t header[pe::kResourceDirectorySize];
        if (!m_image.ReadRva(root + directory, header, sizeof header)) return std::nullopt;
        const std::uint32_t count =
            ReadU16(header + pe::kResourceNamedEntriesField) + ReadU16(header + pe::kResourceIdEntriesField);
        for (std::uint32_t index = 0; index < count; ++index) {
            std::uint8_t entry[pe::kResourceEntrySize];
            const auto at = static_cast<std::uint32_t>(root + directory + sizeof header + index * sizeof entry);
            if (!m_image.ReadRva(at, entry, sizeof entry)) return std::nullopt;
            const std::uint32_t name = ReadU32(entry);
            const std::uint32_t target = ReadU32(entry + 4);
            if (id && name != *id) continue;
            const bool isDirectory = (target & pe::kResourceSubdirectoryFlag) != 0;
            if (isDirectory != subdirectory) return std::nullopt;
            return target & ~pe::kResourceSubdirectoryFlag;
        }
        return std::nullopt;
    }

    ImageView& m_image;
    ModuleImports& m_facts;
    const ImportReadLimits& m_limits;
};

}  // namespace

ModuleImports ReadModuleImports(const platform::ModuleFile& file, const ImportReadLimits& limits)
{
    ModuleImports facts;
    if (!file.IsOpen()) {
        const DWORD error = file.OpenError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) facts.result = ImportReadResult::NotFound;
        return facts;
    }
    BlockReader reader(file);
    ImageView image(reader);
    if (!image.ReadHeaders(facts)) {
        facts.result = reader.Failed() ? ImportReadResult::Unreadable : ImportReadResult::NotAModule;
        return facts;
    }
    TableReader tables(image, facts, limits);
    tables.ReadImports();
    tables.ReadDelayImports();
    tables.ReadForwarders();
    tables.ReadManifest();
    facts.result = reader.Failed() ? ImportReadResult::Unreadable : ImportReadResult::Read;
    return facts;
}

std::string ForwardedModuleName(const std::string& target)
{
    const std::size_t dot = target.rfind('.');
    if (dot == std::string::npos || dot == 0) return std::string();
    return target.substr(0, dot) + ".dll";
}
