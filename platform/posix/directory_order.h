#pragma once

#include <string>

namespace posix {

// The order in which Windows delivers directory entries on its file
// systems: bytes compared after ASCII letters are upper-cased, ties broken
// by the exact bytes.
bool ComesBeforeInDirectoryOrder(const std::string& a, const std::string& b);

}  // namespace posix
