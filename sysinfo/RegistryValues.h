// Values of a registry key as the processor rows read them. What cannot be
// read as the kind of value asked for reads as the empty text or as 0, so
// that the row still shows, with nothing in it.
#pragma once

#include "platform/win32.h"

// Registry texts are read into buffers of this size.
constexpr DWORD kRegistryTextBytes = 1000;

// A REG_SZ value, ending at its first zero byte, at the end of its data or
// after 1000 bytes, with or without a terminator of its own; `text` holds
// the 1000 bytes and the terminator that they may lack. A value of another
// type, a longer one or a missing one gives the empty text.
void ReadRegistryText(HKEY key, const char* name, char (&text)[kRegistryTextBytes + 1]);

// A REG_DWORD value, read with a 4-byte buffer; 0 for anything else.
DWORD ReadRegistryNumber(HKEY key, const char* name);
