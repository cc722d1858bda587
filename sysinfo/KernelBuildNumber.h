// The build number that kernel32's version resource gives in its product
// version text, "major.minor.build...".
#pragma once

#include "platform/win32.h"

// Stores into `version` the third number of every product version text of
// kernel32 (the last translation that has one decides), cut to its low 16
// bits. Leaves it alone when version.dll, its functions, kernel32's file or
// its version resource are not to be had, or when the copy of the resource
// fails.
void TakeBuildNumberFromKernel(OSVERSIONINFOEXA& version);

// The third of the dotted numbers at the start of `text`, read with strtol
// and exactly one separator character after each of the first two; false
// when the text ends where a separator is due.
bool ThirdVersionNumber(const char* text, long& number);
