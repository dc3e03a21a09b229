// Windows-1250 <-> UTF-8 conversion, used only at the edges (paths, XML values, Qt strings).
//
// Work data and the settings file hold windows-1250 bytes; inside the program texts stay
// bytes. The five byte values that windows-1250 leaves undefined (81 83 88 90 98) have no
// character: decoding maps them to U+FFFD, and encoding reports characters the code page
// cannot hold.
#pragma once

#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>

namespace eracuni {

// The Unicode code point of one windows-1250 byte; 0xFFFD for the undefined ones.
char32_t Cp1250ToCodePoint(unsigned char byte);
// The windows-1250 byte of a code point, or nothing when the code page lacks it.
std::optional<unsigned char> CodePointToCp1250(char32_t cp);

std::string Cp1250ToUtf8(std::string_view cp1250);
// The length of the ASCII bytes (below 0x80) `text` starts with, found eight at a time.
inline size_t AsciiPrefix(std::string_view text) {
  size_t ascii = 0;
  for (uint64_t word; text.size() - ascii >= 8; ascii += 8) {
    std::memcpy(&word, text.data() + ascii, sizeof word);
    if ((word & 0x8080808080808080u) != 0) break;
  }
  while (ascii < text.size() && static_cast<unsigned char>(text[ascii]) < 0x80) ++ascii;
  return ascii;
}
// Whether every byte is below 0x80: such a text is the same in windows-1250 and UTF-8.
inline bool IsAscii(std::string_view text) { return AsciiPrefix(text) == text.size(); }
// Fails (nothing) on malformed UTF-8 or a character windows-1250 cannot hold; `bad_offset`
// then receives the byte offset of the offending character.
std::optional<std::string> Utf8ToCp1250(std::string_view utf8, size_t* bad_offset = nullptr);

// Length of the valid UTF-8 sequence starting at s[i], or 0 when none starts there.
size_t Utf8SequenceLength(std::string_view s, size_t i);

// UTF-8 text from outside made safe to show: control characters (C0, DEL, C1) and bytes
// that are not UTF-8 become escapes ("\n", "\t", "\x1B", "\u0085"), so a message that
// echoes input stays one line and a terminal or log never acts on what the input holds.
std::string EscapeControls(std::string_view utf8);

}  // namespace eracuni
