// How this platform spells paths in the texts that the engine builds.
#pragma once

namespace platform {

#ifdef _WIN32
// Windows joins with a backslash and its file names ignore case, so a row's
// path is shown upper-cased.
constexpr char kPathSeparator = '\\';
constexpr bool kUpperCaseRowPaths = true;
#else
// On a case-sensitive file system an upper-cased path names another file, so
// the path stays as listed.
constexpr char kPathSeparator = '/';
constexpr bool kUpperCaseRowPaths = false;
#endif

}  // namespace platform
