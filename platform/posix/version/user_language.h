// The user's language as a Windows LANGID, taken from the POSIX locale
// settings (LC_ALL, LC_MESSAGES, LANG).
#pragma once

#include "platform/posix/win32_types.h"

namespace version_reader {

// "de_AT.UTF-8" -> 0x0C07; a language without a known country -> that
// language's default; "C", "POSIX", empty or unknown -> 0x0409.
WORD LanguageFromLocaleName(const char* localeName);

// From LC_ALL, else LC_MESSAGES, else LANG (the first that is set and not empty).
WORD UserLanguage();

}  // namespace version_reader
