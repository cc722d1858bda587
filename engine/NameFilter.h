#pragma once

// 1 for 'a'-'z' and 'A'-'Z', else 0. Bytes from 0x80 up are never letters.
int IsAsciiLetter(char c);

// 0 when the texts are equal but for the case of ASCII letters; otherwise
// the difference of the first differing bytes (as signed chars). A null text
// sorts before any text.
int CompareNamesNoCase(const char* a, const char* b);

// The part of `name` after its last '.'; the whole name when it has none.
const char* ExtensionOf(const char* name);

// Whether ExtensionOf(name) is, in lower case, one of the module extensions.
bool HasModuleExtension(const char* name);
