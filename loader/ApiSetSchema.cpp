// Names are UTF-16 in the schema; contract and module names are ASCII, so a
// name with other characters simply matches nothing.
#include "loader/ApiSetSchema.h"

#include <algorithm>

#include "support/AsciiCase.h"
#include "support/LittleEndian.h"

namespace loader {

namespace {

using support::ReadU32;

constexpr std::size_t kMaxContracts = 1 << 16;
constexpr std::size_t kMaxValues = 256;

class SchemaBytes {
public:
    SchemaBytes(const std::uint8_t* bytes, std::size_t size) : m_bytes(bytes), m_size(size) {}

    bool Has(std::uint64_t offset, std::uint64_t length) const { return offset <= m_size && length <= m_size - offset; }
    std::optional<std::uint32_t> U32(std::uint64_t offset) const
    {
        if (!Has(offset, 4)) return std::nullopt;
        return ReadU32(m_bytes + offset);
    }
    // A UTF-16 name of `length` bytes, lower-cased; none when out of bounds.
    std::optional<std::string> Name(std::uint64_t offset, std::uint64_t length) const
    {
        if (length % 2 != 0 || length > 2048 || !Has(offset, length)) return std::nullopt;
        std::string name;
        for (std::uint64_t at = offset; at < offset + length; at += 2) {
            const unsigned unit = m_bytes[at] | (m_bytes[at + 1] << 8);
            name.push_back(unit < 0x80 ? support::ToLowerAscii(static_cast<char>(unit)) : '?');
        }
        return name;
    }

private:
    const std::uint8_t* m_bytes;
    std::size_t m_size;
};

std::string WithoutDll(std::string name)
{
    if (name.size() >= 4 && support::EqualsIgnoringAsciiCase(name.substr(name.size() - 4), ".dll")) {
        name.resize(name.size() - 4);
    }
    return name;
}

// One value entry: (importer, host) at `entry`, whose name and value
// fields are at the given offsets from it; offsets from `base`.
bool ReadValue(const SchemaBytes& schema, std::uint64_t base, std::uint64_t entry, std::size_t nameField,
               ApiSetContract& contract, bool first)
{
    const auto nameOffset = schema.U32(entry + nameField), nameLength = schema.U32(entry + nameField + 4);
    const auto valueOffset = schema.U32(entry + nameField + 8), valueLength = schema.U32(entry + nameField + 12);
    if (!nameOffset || !nameLength || !valueOffset || !valueLength) return false;
    std::optional<std::string> host =
        *valueLength == 0 ? std::optional<std::string>("") : schema.Name(base + *valueOffset, *valueLength);
    std::optional<std::string> importer =
        *nameLength == 0 ? std::optional<std::string>("") : schema.Name(base + *nameOffset, *nameLength);
    if (!host || !importer) return false;
    if (host->empty()) return true;
    if (importer->empty() || first) contract.hosts.push_back(*host);
    if (!importer->empty()) {
        std::string key = *importer;
        for (char& c : key) c = support::ToUpperAscii(c);
        contract.exceptions.emplace(key, *host);
    }
    return true;
}

}  // namespace

bool ApiSetSchema::IsContractName(const std::string& moduleName)
{
    if (moduleName.size() < 4) return false;
    const std::string prefix = moduleName.substr(0, 4);
    return support::EqualsIgnoringAsciiCase(prefix, "api-") || support::EqualsIgnoringAsciiCase(prefix, "ext-");
}

ApiSetSchema ApiSetSchema::Parse(const std::uint8_t* bytes, std::size_t size)
{
    const SchemaBytes schema(bytes, size);
    ApiSetSchema parsed;
    const std::optional<std::uint32_t> version = schema.U32(0);
    if (!version) return parsed;

    if (*version == 2 || *version == 4) {
        // v2: {Version, Count, entries {NameOffset, NameLength, DataOffset}};
        // v4: {Version, Size, Flags, Count, entries {Flags, NameOffset,
        // NameLength, AliasOffset, AliasLength, DataOffset}}. The value array
        // at DataOffset: v2 {Count, values}, v4 {Flags, Count, values}; a
        // value: v2 {NameOffset, NameLength, ValueOffset, ValueLength}, v4
        // the same after a Flags field.
        const bool v4 = *version == 4;
        const std::optional<std::uint32_t> count = schema.U32(v4 ? 12 : 4);
        if (!count || *count > kMaxContracts) return parsed;
        const std::uint64_t entries = v4 ? 16 : 8;
        const std::uint64_t entrySize = v4 ? 24 : 12;
        for (std::uint32_t index = 0; index < *count; ++index) {
            const std::uint64_t entry = entries + index * entrySize;
            const auto nameOffset = schema.U32(entry + (v4 ? 4 : 0));
            const auto nameLength = schema.U32(entry + (v4 ? 8 : 4));
            const auto dataOffset = schema.U32(entry + (v4 ? 20 : 8));
            if (!nameOffset || !nameLength || !dataOffset) return {};
            std::optional<std::string> name = schema.Name(*nameOffset, *nameLength);
            const auto valueCount = schema.U32(*dataOffset + (v4 ? 4 : 0));
            if (!name || !valueCount) return {};
            ApiSetContract contract;
            contract.name = *name;
            const std::uint64_t values = *dataOffset + (v4 ? 8 : 4);
            const std::uint64_t valueSize = v4 ? 20 : 16;
            for (std::uint32_t value = 0; value < std::min<std::uint32_t>(*valueCount, kMaxValues); ++value) {
                if (!ReadValue(schema, 0, values + value * valueSize, v4 ? 4 : 0, contract, value == 0)) {
                    return {};
                }
            }
            parsed.m_contracts.emplace(contract.name, std::move(contract));
        }
        parsed.m_version = *version;
        return parsed;
    }

    if (*version == 6) {
        // {Version, Size, Flags, Count, EntryOffset, HashOffset, HashFactor};
        // entries {Flags, NameOffset, NameLength, HashedLength, ValueOffset,
        // ValueCount}; values {Flags, NameOffset, NameLength, ValueOffset,
        // ValueLength}. Offsets from the schema's start.
        const auto count = schema.U32(12), entryOffset = schema.U32(16);
        if (!count || !entryOffset || *count > kMaxContracts) return parsed;
        for (std::uint32_t index = 0; index < *count; ++index) {
            const std::uint64_t entry = *entryOffset + static_cast<std::uint64_t>(index) * 24;
            const auto nameOffset = schema.U32(entry + 4), hashedLength = schema.U32(entry + 12);
            const auto valueOffset = schema.U32(entry + 16), valueCount = schema.U32(entry + 20);
            if (!nameOffset || !hashedLength || !valueOffset || !valueCount) return {};
            std::optional<std::string> name = schema.Name(*nameOffset, *hashedLength);
            if (!name) return {};
            ApiSetContract contract;
            contract.name = *name;
            for (std::uint32_t value = 0; value < std::min<std::uint32_t>(*valueCount, kMaxValues); ++value) {
                if (!ReadValue(schema, 0, *valueOffset + static_cast<std::uint64_t>(value) * 20, 4, contract,
                               value == 0)) {
                    return {};
                }
            }
            parsed.m_contracts.emplace(contract.name, std::move(contract));
        }
        parsed.m_version = 6;
    }
    return parsed;
}

ApiSetSchema::Resolution ApiSetSchema::Resolve(const std::string& moduleName, const std::string& importerFileName) const
{
    Resolution resolution;
    if (!IsContractName(moduleName)) return resolution;
    std::string key = WithoutDll(moduleName);
    for (char& c : key) c = support::ToLowerAscii(c);
    if (m_version == 6) {
        const std::size_t hyphen = key.rfind('-');
        if (hyphen == std::string::npos) return resolution;
        key.resize(hyphen);
    } else {
        key = key.substr(4);
    }
    const auto found = m_contracts.find(key);
    if (found == m_contracts.end()) return resolution;
    resolution.known = true;
    std::string importer = importerFileName;
    for (char& c : importer) c = support::ToUpperAscii(c);
    const auto exception = found->second.exceptions.find(importer);
    if (exception != found->second.exceptions.end()) resolution.host = exception->second;
    else if (!found->second.hosts.empty()) resolution.host = found->second.hosts.front();
    return resolution;
}

}  // namespace loader
