// What the signature checker promises for any file: one pass that hashes
// every byte, a verdict that agrees with what the headers state, fields that
// fit the verdict. The fuzz target and the replay suite share this.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace fuzz {

// Checks the module at `path`, whose contents are `bytes`; the broken promises.
std::vector<std::string> CheckSignature(const char* path, const std::vector<std::uint8_t>& bytes);

// The bytes as a PKCS#7 blob read directly, past the table; the broken promises.
std::vector<std::string> ReadSignatureBlob(const std::uint8_t* data, std::size_t size);

}  // namespace fuzz
