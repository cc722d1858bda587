// PE images made in memory for the loader's tests: import, delay-load and
// export tables, a manifest resource and extra sections, laid out in one
// data section so that a test can point an RVA anywhere on purpose.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace loader_test {

using Bytes = std::vector<std::uint8_t>;

struct ImportSpec {
    std::string dll;
    std::vector<std::string> functions;
    std::vector<std::uint16_t> ordinals;
};

struct ExportSpec {
    std::string name;
    std::string forwardTo;  // "DLL.Function"; empty for a plain export
};

struct PeRecipe {
    std::uint16_t machine = 0x8664;
    bool dll = true;
    std::vector<ImportSpec> imports;
    std::vector<ImportSpec> delayImports;
    std::vector<ExportSpec> exports;
    std::string manifest;                                 // RT_MANIFEST, id 2 for a DLL, 1 for a program
    std::vector<std::pair<std::string, Bytes>> sections;  // more sections, after the data section
};

struct PeLayout {
    Bytes bytes;
    std::size_t dataDirectories = 0;  // file offset of data directory 0
    std::uint32_t dataRva = 0;        // the data section's RVA
    std::size_t dataOffset = 0;       // and its file offset
};

PeLayout BuildPe(const PeRecipe& recipe);

// The file offset of data directory `index`'s RVA field.
inline std::size_t DirectoryField(const PeLayout& image, std::uint32_t index)
{
    return image.dataDirectories + index * 8;
}

void PutU32(Bytes& bytes, std::size_t offset, std::uint32_t value);

}  // namespace loader_test
