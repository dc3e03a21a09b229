// Leading and trailing blanks: the padding of fixed-width fields and of prepared texts.
//
// Work data pads every text field with blanks to its width, and most values the writers
// handle are mostly padding; dropping it is on the hot path of every document, so the
// blanks are skipped eight at a time, and the last of them found in one word.
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>
#include <string_view>

namespace eracuni {

// Eight bytes as one word in which exactly the blanks are zero bytes; on little-endian
// machines its lowest byte is the first.
inline constexpr uint64_t kBlankWord = 0x2020202020202020u;
inline uint64_t NonBlankBytes(const char* p) {
  uint64_t w;
  std::memcpy(&w, p, sizeof w);
  return w ^ kBlankWord;
}
inline constexpr bool kLittleEndian = std::endian::native == std::endian::little;

// `s` without the blanks (' ' only) at its start.
inline std::string_view DropLeadingBlanks(std::string_view s) {
  size_t start = 0;
  while (s.size() - start >= 8) {
    uint64_t odd = NonBlankBytes(s.data() + start);
    if (odd == 0) {
      start += 8;
    } else {
      if (kLittleEndian) return s.substr(start + std::countr_zero(odd) / 8);
      break;
    }
  }
  while (start < s.size() && s[start] == ' ') ++start;
  return s.substr(start);
}

// `s` without the blanks (' ' only) at its end.
inline std::string_view DropTrailingBlanks(std::string_view s) {
  size_t n = s.size();
  while (n >= 8) {
    uint64_t odd = NonBlankBytes(s.data() + n - 8);
    if (odd == 0) {
      n -= 8;
    } else {
      if (kLittleEndian) return s.substr(0, n - std::countl_zero(odd) / 8);
      break;
    }
  }
  while (n > 0 && s[n - 1] == ' ') --n;
  return s.substr(0, n);
}

}  // namespace eracuni
