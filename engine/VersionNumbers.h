#pragma once

#include <cstdint>

#include "framework/CString.h"

// One version word as a number: its high half plus its low half times
// 0.0001. A low half of 10000 or more carries into the integer part.
double VersionWordsToNumber(uint32_t word);

// "%f.%f" of the numbers of the two words: 1.2.3.4 reads 1.000200.3.000400.
CString FormatVersionText(double mostSignificant, double leastSignificant);
