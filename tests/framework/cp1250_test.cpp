#include "framework/cp1250.h"

#include <gtest/gtest.h>

namespace eracuni {
namespace {

TEST(Cp1250, SlovenianLettersRoundTrip) {
  const std::string cp = "\xC8\xE8\x8A\x9A\x8E\x9E\xC6\xE6\xD0\xF0";  // ČčŠšŽžĆćĐđ
  const std::string utf8 = Cp1250ToUtf8(cp);
  EXPECT_EQ(utf8, "\xC4\x8C\xC4\x8D\xC5\xA0\xC5\xA1\xC5\xBD\xC5\xBE\xC4\x86\xC4\x87\xC4\x90\xC4\x91");
  EXPECT_EQ(Utf8ToCp1250(utf8), cp);
}

TEST(Cp1250, EveryDefinedByteRoundTrips) {
  for (int b = 0; b < 256; ++b) {
    std::string one(1, static_cast<char>(b));
    auto back = Utf8ToCp1250(Cp1250ToUtf8(one));
    if (Cp1250ToCodePoint(static_cast<unsigned char>(b)) == 0xFFFD) {
      EXPECT_FALSE(back.has_value()) << b;
    } else {
      EXPECT_EQ(back, one) << b;
    }
  }
}

TEST(Cp1250, RefusesWhatTheCodePageCannotHoldAndMalformedUtf8) {
  size_t bad = 99;
  EXPECT_FALSE(Utf8ToCp1250("ab\xE2\x82\xAC\xE6\x97\xA5", &bad));  // "ab€日": 日 is missing
  EXPECT_EQ(bad, 5u);
  EXPECT_FALSE(Utf8ToCp1250("a\xC3", &bad));   // truncated pair
  EXPECT_EQ(bad, 1u);
  EXPECT_FALSE(Utf8ToCp1250("\xC0\xAF"));      // overlong "/"
  EXPECT_FALSE(Utf8ToCp1250("\xE0\x80\xAF"));  // overlong "/" in three bytes
  EXPECT_FALSE(Utf8ToCp1250("\xED\xA0\x80"));  // surrogate
}

TEST(EscapeControls, ControlsAndStrayBytesEscapedLettersKept) {
  EXPECT_EQ(EscapeControls("a\nb\r\tc\x1B[2J\x7F"), "a\\nb\\r\\tc\\x1B[2J\\x7F");
  EXPECT_EQ(EscapeControls("\xC2\x85x\xC2\xA0"), "\\u0085x\xC2\xA0");  // NEL, then no-break space
  EXPECT_EQ(EscapeControls("\xFF\xC3"), "\\xFF\\xC3");                  // not UTF-8
  const char* kept = "Ra\xC4\x8Duni C:\\Ra\xC4\x8Duni\\";  // letters and backslashes stay
  EXPECT_EQ(EscapeControls(kept), kept);
}

}  // namespace
}  // namespace eracuni
