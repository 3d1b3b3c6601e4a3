// GBK (code page 936) text helpers that need no platform code.
//
// Inside the program all text is GBK bytes in std::string. A lead byte
// 0x81..0xFE starts a double-byte character whose trail byte (0x40..0xFE) may
// equal an ASCII byte such as '\\' or '|', so byte searches must step over
// whole characters.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace movrel {

inline bool IsGbkLeadByte(unsigned char c) { return c >= 0x81 && c <= 0xFE; }
inline bool IsGbkTrailByte(unsigned char c) { return c >= 0x40 && c <= 0xFE && c != 0x7F; }

// Length in bytes of the character that starts at text[pos] (1 or 2). Only a
// lead byte followed by a real trail byte is a double-byte character; a lead
// byte at the end of the text or before any other byte (a "\r", say) stands
// alone, so damaged text never swallows the line break or quote behind it.
// Every search below steps by this rule.
size_t GbkCharLength(const std::string& text, size_t pos);

// Position of the first character equal to the ASCII byte `c` at or after
// `start`, never matching a trail byte; npos when there is none.
size_t GbkFind(const std::string& text, char c, size_t start = 0);

// Position of the last such character; npos when there is none.
size_t GbkFindLast(const std::string& text, char c);

// Position of the first occurrence of `needle` that begins on a character
// boundary at or after `start`; npos when there is none.
size_t GbkFindText(const std::string& text, const std::string& needle, size_t start = 0);

// Replaces every boundary-aligned occurrence of `from` by `to`.
std::string GbkReplaceAll(const std::string& text, const std::string& from, const std::string& to);

// True when `text` ends with the ASCII character `c` as a whole character
// (not as the trail byte of a double-byte character).
bool GbkEndsWith(const std::string& text, char c);

// Splits at every "\r\n", "\n" or lone "\r"; a trailing line break gives no
// empty last line.
std::vector<std::string> SplitLines(const std::string& text);

// Cuts `text` to at most `maxBytes` bytes without splitting a double-byte
// character.
std::string GbkTruncate(const std::string& text, size_t maxBytes);

}  // namespace movrel
