#include "SchemaBuilder.h"

#include "PeBuilder.h"

namespace loader_test {

namespace {

// Names go to a string area after the tables; offsets are from the start.
class Strings {
public:
    explicit Strings(std::vector<std::uint8_t>& bytes) : m_bytes(bytes) {}
    std::pair<std::uint32_t, std::uint32_t> Add(const std::string& text)
    {
        const auto at = static_cast<std::uint32_t>(m_bytes.size());
        for (const char c : text) {
            m_bytes.push_back(static_cast<std::uint8_t>(c));
            m_bytes.push_back(0);
        }
        return {at, static_cast<std::uint32_t>(text.size() * 2)};
    }

private:
    std::vector<std::uint8_t>& m_bytes;
};

}  // namespace

std::vector<std::uint8_t> BuildSchema(std::uint32_t version, const std::vector<ContractSpec>& contracts)
{
    std::vector<std::uint8_t> bytes;
    const auto count = static_cast<std::uint32_t>(contracts.size());
    Strings strings(bytes);
    if (version == 6) {
        // header 28, entries 24 each, then per contract its values (20 each).
        const std::uint32_t entries = 28;
        std::uint32_t values = entries + count * 24;
        PutU32(bytes, 0, 6);
        PutU32(bytes, 12, count);
        PutU32(bytes, 16, entries);
        std::vector<std::uint32_t> valueAt;
        for (const ContractSpec& contract : contracts) {
            valueAt.push_back(values);
            values += static_cast<std::uint32_t>(contract.values.size()) * 20;
        }
        bytes.resize(values, 0);
        for (std::uint32_t index = 0; index < count; ++index) {
            const ContractSpec& contract = contracts[index];
            const std::uint32_t entry = entries + index * 24;
            const auto [name, length] = strings.Add(contract.name);
            PutU32(bytes, entry + 4, name);
            PutU32(bytes, entry + 8, length);
            PutU32(bytes, entry + 12, static_cast<std::uint32_t>(contract.name.rfind('-') * 2));
            PutU32(bytes, entry + 16, valueAt[index]);
            PutU32(bytes, entry + 20, static_cast<std::uint32_t>(contract.values.size()));
            for (std::size_t value = 0; value < contract.values.size(); ++value) {
                const std::uint32_t at = valueAt[index] + static_cast<std::uint32_t>(value) * 20;
                const auto [importer, importerLength] = strings.Add(contract.values[value].first);
                const auto [host, hostLength] = strings.Add(contract.values[value].second);
                PutU32(bytes, at + 4, importer);
                PutU32(bytes, at + 8, importerLength);
                PutU32(bytes, at + 12, host);
                PutU32(bytes, at + 16, hostLength);
            }
        }
        PutU32(bytes, 4, static_cast<std::uint32_t>(bytes.size()));
        return bytes;
    }
    // v2: {Version, Count}, entries {NameOffset, NameLength, DataOffset};
    // v4: {Version, Size, Flags, Count}, entries {Flags, NameOffset,
    // NameLength, AliasOffset, AliasLength, DataOffset}. Names without "api-".
    const bool v4 = version == 4;
    const std::uint32_t entries = v4 ? 16 : 8, entrySize = v4 ? 24 : 12, valueSize = v4 ? 20 : 16;
    std::uint32_t arrays = entries + count * entrySize;
    std::vector<std::uint32_t> arrayAt;
    for (const ContractSpec& contract : contracts) {
        arrayAt.push_back(arrays);
        arrays += (v4 ? 8 : 4) + static_cast<std::uint32_t>(contract.values.size()) * valueSize;
    }
    PutU32(bytes, 0, version);
    bytes.resize(arrays, 0);
    PutU32(bytes, v4 ? 12 : 4, count);
    for (std::uint32_t index = 0; index < count; ++index) {
        const ContractSpec& contract = contracts[index];
        const std::uint32_t entry = entries + index * entrySize;
        const auto [name, length] = strings.Add(contract.name.substr(4));
        PutU32(bytes, entry + (v4 ? 4 : 0), name);
        PutU32(bytes, entry + (v4 ? 8 : 4), length);
        PutU32(bytes, entry + (v4 ? 20 : 8), arrayAt[index]);
        PutU32(bytes, arrayAt[index] + (v4 ? 4 : 0), static_cast<std::uint32_t>(contract.values.size()));
        for (std::size_t value = 0; value < contract.values.size(); ++value) {
            const std::uint32_t at = arrayAt[index] + (v4 ? 8 : 4) + static_cast<std::uint32_t>(value) * valueSize;
            const std::uint32_t field = at + (v4 ? 4 : 0);
            const auto [importer, importerLength] = strings.Add(contract.values[value].first);
            const auto [host, hostLength] = strings.Add(contract.values[value].second);
            PutU32(bytes, field, importer);
            PutU32(bytes, field + 4, importerLength);
            PutU32(bytes, field + 8, host);
            PutU32(bytes, field + 12, hostLength);
        }
    }
    if (v4) PutU32(bytes, 4, static_cast<std::uint32_t>(bytes.size()));
    return bytes;
}

}  // namespace loader_test
