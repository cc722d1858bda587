// The scanner writes a byte of a path that is not UTF-8 as a lone surrogate
// escape, \udc80 to \udcff. A JSON reader would turn it into the UTF-8 form
// of the surrogate (or refuse it), so such escapes are put back as the bytes
// they stand for before the line is parsed.
#pragma once

#include <cstddef>

namespace compare {

// Rewrites, in place, every lone surrogate escape of a JSON text: \udc80 to
// \udcff becomes the byte 0x80 to 0xff; any other lone surrogate its
// three-byte (WTF-8) form, so none is dropped or merged with another.
// Escaped pairs are left for the JSON reader. Returns the new length; the
// text only ever shrinks. The byte after the text must be writable: it
// gets a NUL.
std::size_t SurrogateEscapesToBytes(char* text, std::size_t length);

}  // namespace compare
