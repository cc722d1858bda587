// How a version block tells its two layouts apart: a 16-bit (NE) block has
// no wType, so byte 4 begins its key, a printable ASCII character; in a
// 32-bit block it is the low byte of wType (0 or 1). Bytes from 0x80 up
// count as 32-bit, as the system's version.dll reads them (as signed chars).
#pragma once

namespace platform {

inline bool IsSixteenBitVersionBlock(const unsigned char* block)
{
    return block[4] >= 0x20 && block[4] < 0x80;
}

}  // namespace platform
