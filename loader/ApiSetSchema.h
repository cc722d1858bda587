// The API set schema: which host module stands behind a contract name
// (api-ms-win-core-synch-l1-2-0.dll -> kernelbase.dll), with the exceptions
// some importers get. Parsed from the bytes of the .apiset section of
// System32\apisetschema.dll, in the layouts of schema versions 2 (Windows 7),
// 4 (Windows 8.1) and 6 (Windows 10 and later, and Wine).
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace loader {

struct ApiSetContract {
    std::string name;  // lower case, without ".dll"; for versions 2 and 4 without the "api-"/"ext-" prefix
    std::vector<std::string> hosts;                 // the default host first; may be empty
    std::map<std::string, std::string> exceptions;  // upper-cased importer file name -> host
};

class ApiSetSchema {
public:
    // Parses a schema; an empty schema when the bytes are no schema of a
    // known version or are damaged anywhere (every offset and count is
    // checked against `size`).
    static ApiSetSchema Parse(const std::uint8_t* bytes, std::size_t size);

    std::uint32_t Version() const { return m_version; }  // 0: none
    std::size_t ContractCount() const { return m_contracts.size(); }

    // Whether `moduleName` is a contract name by its form: "api-" or "ext-" first.
    static bool IsContractName(const std::string& moduleName);

    struct Resolution {
        bool known = false;  // the schema has the contract
        std::string host;    // empty: the contract has no host
    };
    // The host of `moduleName` (with or without ".dll") for the module
    // `importerFileName`; `known` false when the schema lacks the contract.
    Resolution Resolve(const std::string& moduleName, const std::string& importerFileName) const;

private:
    // Version 6 matches a name up to its last hyphen (the minor version of
    // the contract does not count); versions 2 and 4 match it whole.
    std::uint32_t m_version = 0;
    std::map<std::string, ApiSetContract> m_contracts;  // by the compared part of the name
};

}  // namespace loader
