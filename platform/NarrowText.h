// The narrow texts of the Win32 surface in UTF-8: on POSIX they are UTF-8
// already; on Windows they are in the ANSI code page and are converted.
#pragma once

#include <string>

#include "platform/win32.h"

#ifdef _WIN32
#include <vector>
#endif

namespace platform {

#ifdef _WIN32
constexpr bool kNarrowIsUtf8 = false;
#else
constexpr bool kNarrowIsUtf8 = true;
#endif

inline std::string Utf8OfNarrow(const std::string& text)
{
#ifdef _WIN32
    if (text.empty()) return text;
    const int wideLength = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    if (wideLength <= 0) return std::string();
    std::vector<wchar_t> wide(static_cast<std::size_t>(wideLength));
    MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), wide.data(), wideLength);
    const int length = WideCharToMultiByte(CP_UTF8, 0, wide.data(), wideLength, nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), wideLength, &utf8[0], length, nullptr, nullptr);
    return utf8;
#else
    return text;
#endif
}

}  // namespace platform
