#include "engine/VersionNumbers.h"

#include <cstdio>

double VersionWordsToNumber(uint32_t word)
{
    const uint32_t high = word >> 16;
    const uint32_t low = word & 0xFFFF;
    return static_cast<double>(low) * 0.0001 + static_cast<double>(high);
}

CString FormatVersionText(double mostSignificant, double leastSignificant)
{
    char text[128];
    std::snprintf(text, sizeof text, "%f.%f", mostSignificant, leastSignificant);
    return text;
}
