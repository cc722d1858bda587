// Texts of 16-bit (NE) version blocks are bytes of a Windows code page: the
// one of their translation. The POSIX build's narrow texts are UTF-8, so
// they are converted, by glibc's iconv.
#pragma once

#include <cstddef>
#include <cstdint>

namespace version_reader {

// The code page of a translation that names none (0), or one iconv does not
// know: Western Windows' ANSI code page, in which Windows' own answer reads.
constexpr std::uint16_t kFallbackCodePage = 1252;

// Converts the `length` bytes at `source`, text in Windows code page
// `codePage`, into at most `capacity` bytes of UTF-8 at `target`, whole
// characters only, and returns the bytes written. A NUL among them is
// written and counted like any character; when the text does not end in
// one, a NUL is added after it, uncounted, so that the result always reads
// as a C string. A byte that begins no character of the code page becomes
// U+FFFD, unless Windows' table of the code page gives it one that glibc's
// lacks (the five bytes 1252 leaves undefined, five single bytes of 932).
// Needs capacity >= 1.
std::size_t Utf8FromCodePage(const std::uint8_t* source, std::size_t length, std::uint16_t codePage, char* target,
                             std::size_t capacity);

}  // namespace version_reader
