// Leading and trailing blanks: the padding of fixed-width fields and of prepared texts.
//
// Work data pads every text field with blanks to its width, and most values the writers
// handle are mostly padding; dropping it is on the hot path of every document, so the
// blanks are skipped eight at a time.
#pragma once

#include <cstring>
#include <string_view>

namespace eracuni {

// `s` without the blanks (' ' only) at its start.
inline std::string_view DropLeadingBlanks(std::string_view s) {
  size_t start = 0;
  while (s.size() - start >= 8 && std::memcmp(s.data() + start, "        ", 8) == 0) start += 8;
  while (start < s.size() && s[start] == ' ') ++start;
  return s.substr(start);
}

// `s` without the blanks (' ' only) at its end.
inline std::string_view DropTrailingBlanks(std::string_view s) {
  size_t n = s.size();
  while (n >= 8 && std::memcmp(s.data() + n - 8, "        ", 8) == 0) n -= 8;
  while (n > 0 && s[n - 1] == ' ') --n;
  return s.substr(0, n);
}

}  // namespace eracuni
