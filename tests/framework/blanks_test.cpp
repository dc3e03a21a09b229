#include "framework/blanks.h"

#include <gtest/gtest.h>

#include <string>

namespace eracuni {
namespace {

// Every split of up to 24 bytes into leading blanks, a middle (with blanks inside) and
// trailing blanks: the word-at-a-time search finds the same ends as a byte-by-byte one.
TEST(BlanksTest, DropsExactlyTheBlanksAtEitherEnd) {
  for (size_t size = 0; size <= 24; ++size) {
    for (size_t lead = 0; lead <= size; ++lead) {
      for (size_t trail = 0; lead + trail <= size; ++trail) {
        std::string s(size, ' ');
        for (size_t i = lead; i < size - trail; ++i) s[i] = "a \xE8x"[i % 4];
        std::string_view v(s);
        size_t first = v.find_first_not_of(' '), last = v.find_last_not_of(' ');
        std::string_view leading = first == v.npos ? "" : v.substr(first);
        std::string_view trailing = last == v.npos ? "" : v.substr(0, last + 1);
        EXPECT_EQ(DropLeadingBlanks(v), leading) << size << " " << lead << " " << trail;
        EXPECT_EQ(DropTrailingBlanks(v), trailing) << size << " " << lead << " " << trail;
      }
    }
  }
}

}  // namespace
}  // namespace eracuni
