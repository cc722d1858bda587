// The signed test modules' manifest (tests/signed_modules): each module's
// expected verdict, a row per module.
#pragma once

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/signature/ModuleSignature.h"

namespace signed_manifest {

inline const std::string& Dir()
{
    static const std::string dir = MODARIS_SIGNED_MODULE_DIR;
    return dir;
}

inline std::string Module(const std::string& name)
{
    return Dir() + "/modules/" + name;
}

// manifest.tsv: fileName, signed, signer, signedOn, digestAlgorithm, signatureCheck, trust, ...
inline std::vector<std::vector<std::string>> Rows()
{
    std::ifstream in(Dir() + "/manifest.tsv");
    std::vector<std::vector<std::string>> rows;
    std::string line;
    std::getline(in, line);
    while (std::getline(in, line)) {
        std::vector<std::string> cells;
        std::stringstream fields(line);
        for (std::string cell; std::getline(fields, cell, '\t');) cells.push_back(cell);
        if (cells.size() >= 7) rows.push_back(cells);
    }
    return rows;
}

}  // namespace signed_manifest
