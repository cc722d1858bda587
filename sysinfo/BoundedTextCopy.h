#pragma once

#include <cstddef>

// Copies `source` up to its terminator or `count` bytes, whichever comes
// first, into `destination` (`destinationSize` bytes, terminated), never
// ending inside a multibyte character. A text that does not fit leaves
// `destination` empty and gives false. On Windows this is the CRT's
// _mbsnbcpy_s.
bool CopyTextBounded(char* destination, std::size_t destinationSize, const char* source, std::size_t count);
