// Texts from a tree or a module on their way to a terminal: a file name or
// a version string may hold ESC or OSC sequences that would set the
// terminal's title or clear its screen. Messages and the progress line show
// control characters escaped; rows written to a terminal show them as '?',
// as ls does. Rows written to a pipe or a file keep their bytes.
#pragma once

#include <string>

namespace support {

// C0 controls, DEL, C1 controls and bytes that are no valid UTF-8 as \xHH
// (a backslash is doubled, so the escape reads back); the rest unchanged.
std::string EscapedForTerminal(const std::string& text);

// The same characters each as one '?'. `utf8`: the text is UTF-8 (POSIX),
// else a single-byte ANSI text (Windows), where only C0 controls and DEL
// are controls.
std::string MaskedForTerminal(const std::string& text, bool utf8);

// `text` in at most `width` bytes: its middle gives way to "..." (a third of
// the room before it, the rest after), never inside a UTF-8 character.
std::string ShortenMiddle(const std::string& text, std::size_t width);

}  // namespace support
