#include "framework/cp1250.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace eracuni {
namespace {

// Code points of the bytes 0x80..0xFF.
constexpr std::array<char32_t, 128> kHigh = {
    0x20AC, 0xFFFD, 0x201A, 0xFFFD, 0x201E, 0x2026, 0x2020, 0x2021,
    0xFFFD, 0x2030, 0x0160, 0x2039, 0x015A, 0x0164, 0x017D, 0x0179,
    0xFFFD, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0xFFFD, 0x2122, 0x0161, 0x203A, 0x015B, 0x0165, 0x017E, 0x017A,
    0x00A0, 0x02C7, 0x02D8, 0x0141, 0x00A4, 0x0104, 0x00A6, 0x00A7,
    0x00A8, 0x00A9, 0x015E, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x017B,
    0x00B0, 0x00B1, 0x02DB, 0x0142, 0x00B4, 0x00B5, 0x00B6, 0x00B7,
    0x00B8, 0x0105, 0x015F, 0x00BB, 0x013D, 0x02DD, 0x013E, 0x017C,
    0x0154, 0x00C1, 0x00C2, 0x0102, 0x00C4, 0x0139, 0x0106, 0x00C7,
    0x010C, 0x00C9, 0x0118, 0x00CB, 0x011A, 0x00CD, 0x00CE, 0x010E,
    0x0110, 0x0143, 0x0147, 0x00D3, 0x00D4, 0x0150, 0x00D6, 0x00D7,
    0x0158, 0x016E, 0x00DA, 0x0170, 0x00DC, 0x00DD, 0x0162, 0x00DF,
    0x0155, 0x00E1, 0x00E2, 0x0103, 0x00E4, 0x013A, 0x0107, 0x00E7,
    0x010D, 0x00E9, 0x0119, 0x00EB, 0x011B, 0x00ED, 0x00EE, 0x010F,
    0x0111, 0x0144, 0x0148, 0x00F3, 0x00F4, 0x0151, 0x00F6, 0x00F7,
    0x0159, 0x016F, 0x00FA, 0x0171, 0x00FC, 0x00FD, 0x0163, 0x02D9};

// The UTF-8 bytes of the bytes 0x80..0xFF, made once from kHigh.
struct Utf8Piece {
  uint8_t size = 0;
  char bytes[3] = {};
};
constexpr std::array<Utf8Piece, 128> HighUtf8() {
  std::array<Utf8Piece, 128> pieces{};
  for (size_t i = 0; i < pieces.size(); ++i) {
    char32_t cp = kHigh[i];
    Utf8Piece& p = pieces[i];
    if (cp < 0x800) {
      p.size = 2;
      p.bytes[0] = static_cast<char>(0xC0 | (cp >> 6));
      p.bytes[1] = static_cast<char>(0x80 | (cp & 0x3F));
    } else {
      p.size = 3;
      p.bytes[0] = static_cast<char>(0xE0 | (cp >> 12));
      p.bytes[1] = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
      p.bytes[2] = static_cast<char>(0x80 | (cp & 0x3F));
    }
  }
  return pieces;
}
constexpr std::array<Utf8Piece, 128> kHighUtf8 = HighUtf8();

}  // namespace

char32_t Cp1250ToCodePoint(unsigned char byte) {
  return byte < 0x80 ? byte : kHigh[byte - 0x80];
}

std::optional<unsigned char> CodePointToCp1250(char32_t cp) {
  if (cp < 0x80) return static_cast<unsigned char>(cp);
  if (cp == 0xFFFD) return std::nullopt;
  auto it = std::find(kHigh.begin(), kHigh.end(), cp);
  if (it == kHigh.end()) return std::nullopt;
  return static_cast<unsigned char>(0x80 + (it - kHigh.begin()));
}

std::string Cp1250ToUtf8(std::string_view cp1250) {
  // Most texts are ASCII, the same in both: copied whole.
  size_t ascii = AsciiPrefix(cp1250);
  if (ascii == cp1250.size()) return std::string(cp1250);
  size_t size = cp1250.size();  // exactly: kept strings hold no spare room
  for (size_t i = ascii; i < cp1250.size(); ++i) {
    const auto c = static_cast<unsigned char>(cp1250[i]);
    if (c >= 0x80) size += kHighUtf8[c - 0x80].size - 1;
  }
  std::string out;
  out.reserve(size);
  out.append(cp1250.substr(0, ascii));
  for (size_t i = ascii; i < cp1250.size(); ++i) {
    const auto c = static_cast<unsigned char>(cp1250[i]);
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else {
      const Utf8Piece& piece = kHighUtf8[c - 0x80];
      out.append(piece.bytes, piece.size);
    }
  }
  return out;
}

size_t Utf8SequenceLength(std::string_view s, size_t i) {
  auto at = [&](size_t k) { return static_cast<unsigned char>(s[k]); };
  unsigned char c = at(i);
  if (c < 0x80) return 1;
  size_t n = c >= 0xF0 && c <= 0xF4 ? 4 : c >= 0xE0 ? 3 : c >= 0xC2 && c < 0xE0 ? 2 : 0;
  if (n == 0 || i + n > s.size()) return 0;
  for (size_t k = 1; k < n; ++k)
    if ((at(i + k) & 0xC0) != 0x80) return 0;
  // Overlong three- and four-byte forms, surrogates and code points past U+10FFFF.
  if (n == 3 && c == 0xE0 && at(i + 1) < 0xA0) return 0;
  if (n == 3 && c == 0xED && at(i + 1) >= 0xA0) return 0;
  if (n == 4 && c == 0xF0 && at(i + 1) < 0x90) return 0;
  if (n == 4 && c == 0xF4 && at(i + 1) >= 0x90) return 0;
  return n;
}

std::string EscapeControls(std::string_view utf8) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(utf8.size());
  for (size_t i = 0; i < utf8.size();) {
    const auto c = static_cast<unsigned char>(utf8[i]);
    const size_t n = Utf8SequenceLength(utf8, i);
    const bool c1 = n == 2 && c == 0xC2 && static_cast<unsigned char>(utf8[i + 1]) < 0xA0;
    if (n > 1 && !c1) {
      out.append(utf8, i, n);
      i += n;
      continue;
    }
    const unsigned char code = c1 ? static_cast<unsigned char>(utf8[i + 1]) : c;
    if (n == 1 && c >= 0x20 && c != 0x7F) out += static_cast<char>(c);
    else if (c == '\n') out += "\\n";
    else if (c == '\r') out += "\\r";
    else if (c == '\t') out += "\\t";
    else out += std::string(c1 ? "\\u00" : "\\x") + kHex[code >> 4] + kHex[code & 0xF];
    i += c1 ? 2 : 1;
  }
  return out;
}

std::optional<std::string> Utf8ToCp1250(std::string_view utf8, size_t* bad_offset) {
  std::string out;
  out.reserve(utf8.size());
  for (size_t i = 0; i < utf8.size();) {
    size_t n = Utf8SequenceLength(utf8, i);
    char32_t cp = 0;
    if (n == 1) {
      cp = static_cast<unsigned char>(utf8[i]);
    } else if (n > 1) {
      cp = static_cast<unsigned char>(utf8[i]) & (0x7F >> n);
      for (size_t k = 1; k < n; ++k) cp = (cp << 6) | (static_cast<unsigned char>(utf8[i + k]) & 0x3F);
    }
    auto b = n == 0 ? std::nullopt : CodePointToCp1250(cp);
    if (!b) {
      if (bad_offset) *bad_offset = i;
      return std::nullopt;
    }
    out += static_cast<char>(*b);
    i += n;
  }
  return out;
}

}  // namespace eracuni
