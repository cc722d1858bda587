#pragma once

#include <string>

namespace posix {

// The text that stands for the root of drive `letter` (c to z): the Wine
// prefix's dosdevices link for that letter with a trailing '/', so that row
// texts are real paths. Without any prefix, c: is "/"; a letter without a
// link has no root and yields the empty text.
std::string DriveRootText(char letter);

// Whether a listed directory is the root of a drive, where Windows gives no
// "." and ".." entries.
bool IsDriveRootDirectory(const std::string& directory);

}  // namespace posix
