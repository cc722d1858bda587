// API set schemas of versions 2, 4 and 6 built from the published layouts,
// for the parser's tests and for a test target's apisetschema.dll.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace loader_test {

struct ContractSpec {
    std::string name;  // the full name without ".dll": "api-ms-win-core-test-l1-1-0"
    std::vector<std::pair<std::string, std::string>> values;  // (importer or "", host or "")
};

std::vector<std::uint8_t> BuildSchema(std::uint32_t version, const std::vector<ContractSpec>& contracts);

}  // namespace loader_test
