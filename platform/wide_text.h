// A UTF-16 literal in the platform's wide character type.
#pragma once

#ifdef _WIN32
#define WIDE_TEXT(text) L##text
#else
#define WIDE_TEXT(text) u##text
#endif
