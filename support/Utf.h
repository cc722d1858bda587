// UTF-16 (as Windows stores texts) to and from UTF-8 (the narrow code page
// of the POSIX build).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace support {

// Converts `units` little-endian UTF-16 units at `source` into at most
// `capacity` bytes at `target`, whole characters only, and returns the bytes
// written. A NUL among the units is written and counted like any character;
// when the text does not end in one, a NUL is added after it, uncounted, so
// the result always reads as a C string. Needs capacity >= 1. Unpaired
// surrogates become U+FFFD.
std::size_t Utf8FromUtf16Le(const std::uint8_t* source, std::size_t units, char* target, std::size_t capacity);

// The valid UTF-8 sequence that starts at byte `i` of the `length` bytes at
// `text`: its length, with its code point in `codePoint`; 0 when the bytes
// there are no valid sequence (`codePoint` is then left alone).
std::size_t DecodeUtf8(const char* text, std::size_t length, std::size_t i, char32_t& codePoint);

// Decodes UTF-8 into UTF-16 units; invalid bytes become U+FFFD.
std::u16string Utf16FromUtf8(const char* text, std::size_t length);

// A NUL-terminated UTF-16 text in UTF-8; unpaired surrogates become U+FFFD.
std::string Utf8FromUtf16(const char16_t* text);

}  // namespace support
