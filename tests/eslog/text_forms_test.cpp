#include "eslog/text_forms.h"

#include <gtest/gtest.h>

#include "framework/cp1250.h"

namespace eracuni::eslog {
namespace {

std::string Clipped(const std::string& s) { return s.substr(0, s.find_last_not_of(' ') + 1); }

bool IsUtf8(const std::string& s) {
  for (size_t i = 0; i < s.size();) {
    size_t n = Utf8SequenceLength(s, i);
    if (n == 0) return false;
    i += n;
  }
  return true;
}

struct Case {
  const char* input;
  const char* expected;
};

TEST(PripraviBesedilo, ReplacesEachCharacterByTheTable) {
  const Case cases[] = {
      {"\x8Akofja Loka", "\xC5\xA0kofja Loka"},
      {"M\xFCller & Sohn", "Muller + Sohn"},
      {"Cev 1/2\"", "Cev 1/2col"},
      {"20\xB0", "20st."},
      {"O'Brien", "OBrien"},
      {"a\r\nb|c*d", "a b c*d"},
      {"\xC8\xE8\xC6\xE6\x8A\x9A\xD0\xF0\x8E\x9E",
       "\xC4\x8C\xC4\x8D\xC4\x86\xC4\x87\xC5\xA0\xC5\xA1\xC4\x90\xC4\x91\xC5\xBD\xC5\xBE"},
      {"\xD6\xF6\xDC\xFC", "OoUu"},
      {"  two  blanks", "  two  blanks"},
      // Outside the table: the windows-1250 character as UTF-8, so the text stays UTF-8.
      {"Caf\xE9 \xE4 \x80", "Caf\xC3\xA9 \xC3\xA4 \xE2\x82\xAC"},
  };
  for (const Case& c : cases) {
    std::string out = PripraviBesedilo(c.input);
    EXPECT_EQ(out.size(), kPreparedSize) << c.input;
    EXPECT_EQ(Clipped(out), c.expected) << c.input;
  }
}

TEST(PripraviBesedilo, CutsAt240BytesButNeverInsideACharacter) {
  std::string all_pairs(240, '\xE8');  // 240 times č: the first 120 fill the output
  std::string out = PripraviBesedilo(all_pairs);
  EXPECT_EQ(out.size(), 240u);
  EXPECT_EQ(out.substr(238), "\xC4\x8D");

  std::string odd = "a" + std::string(239, '\xE8');  // the 120th pair would straddle byte 240
  out = PripraviBesedilo(odd);
  ASSERT_EQ(out.size(), 240u);
  EXPECT_EQ(out.substr(237), "\xC4\x8D ");
  EXPECT_TRUE(IsUtf8(out));

  out = PripraviBesedilo(std::string(238, 'a') + "\x80z");  // a 3-byte euro sign at the end
  EXPECT_EQ(out.substr(236), "aa  ");

  // ASCII replacements are cut like plain bytes, and input past 240 positions is ignored.
  EXPECT_EQ(PripraviBesedilo(std::string(238, 'a') + "\"").substr(236), "aaco");
  EXPECT_EQ(Clipped(PripraviBesedilo(std::string(240, 'a') + "b")), std::string(240, 'a'));
}

TEST(IzracunajSklicRF, BuildsTheIso11649Reference) {
  const Case cases[] = {
      {"5390-0754-7034", "RF18539007547034"},
      {"5390-0754-7034      ", "RF18539007547034"},
      {"", "RF04"},
      {"2348231", "RF712348231"},  // the standard's own example
      // Letters count 10 to 35, either case; other characters cannot stand in a reference.
      {"AB12c3", "RF47AB12c3"},
      {" 12 3/4\xE8" "5", "RF7812345"},
  };
  for (const Case& c : cases) EXPECT_EQ(IzracunajSklicRF(c.input), c.expected) << c.input;

  // 101 digits, far beyond any machine integer; the check was computed independently.
  std::string digits =
      "31415926535897932384626433832795028841971693993751058209749445923078164062862089986280"
      "348253421170679";
  EXPECT_EQ(IzracunajSklicRF(digits), "RF58" + digits);
}

TEST(AmountForm, KeepsDigitsPointsAndMinusSigns) {
  EXPECT_EQ(AmountForm("            1,234.50"), "1234.50");
  EXPECT_EQ(AmountForm("               -12.5"), "-12.5");
  EXPECT_EQ(AmountForm("                    "), "");
  EXPECT_EQ(AmountForm("  EUR 12.345 "), "12.345");
}

TEST(IsZeroAmount, ReadsTheTextAsANumberWithTwoDecimals) {
  for (const char* zero : {"", "     ", "0", "0.00", "   -0.00", "+0", "0.004", "0.0049999",
                           "-0.004", ".", "-", "abc", "0,50", "000000000000000000000.001"})
    EXPECT_TRUE(IsZeroAmount(zero)) << '"' << zero << '"';
  for (const char* non_zero : {"0.01", "  12", "-0.10", ".5", "0.005", "-0.005", "1,234.50",
                               "100000000000000000000000000", "0.09 EUR"})
    EXPECT_FALSE(IsZeroAmount(non_zero)) << '"' << non_zero << '"';
}

TEST(SmallForms, PercentageLineNumberTrimmedAndUnchanged) {
  EXPECT_EQ(PercentageForm("               22.00"), "22.00");
  EXPECT_EQ(LineNumberForm(1), "     1");
  EXPECT_EQ(LineNumberForm(12), "    12");
  EXPECT_EQ(LineNumberForm(1234), "  1234");
  EXPECT_EQ(LineNumberForm(999999), "999999");
  EXPECT_EQ(LineNumberForm(1234567), "1234567");
  EXPECT_EQ(TrimmedForm("   R-15 \xE8   "), "R-15 \xC4\x8D");
  EXPECT_EQ(TrimmedForm("     "), "");
  EXPECT_EQ(UnchangedForm("2018-12-17 \xE9  "), "2018-12-17 \xC3\xA9  ");
}

}  // namespace
}  // namespace eracuni::eslog
