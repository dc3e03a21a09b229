#include "eslog20/decimal.h"

#include <gtest/gtest.h>

namespace eracuni::eslog20 {
namespace {

Decimal D(const char* text) { return ParseDecimal(text).value(); }

TEST(Decimal, KeepsTheWrittenScaleAndComparesByValue) {
  EXPECT_EQ(D("12.500").ToString(), "12.500");
  EXPECT_EQ(D("-0.05").ToString(), "-0.05");
  EXPECT_EQ(D("+3").ToString(), "3");
  EXPECT_EQ(D(".5").ToString(), "0.5");
  EXPECT_EQ(D("12.500"), D("12.5"));
  EXPECT_LT(D("-1"), D("0.001"));
  EXPECT_EQ(D("12.500").SignificantScale(), 1);
  EXPECT_EQ(D("0.05").TotalDigits(), 2);
  EXPECT_EQ(D("1234.50").TotalDigits(), 5);
  for (const char* bad : {"", "-", "1,5", "1.2.3", "1e3", " 1", "1234567890123456789012345678901234567"})
    EXPECT_FALSE(ParseDecimal(bad)) << bad;
}

TEST(Decimal, RoundsHalfAwayFromZero) {
  EXPECT_EQ(Rescale(D("0.125"), 2)->ToString(), "0.13");
  EXPECT_EQ(Rescale(D("-0.125"), 2)->ToString(), "-0.13");
  EXPECT_EQ(Rescale(D("0.124"), 2)->ToString(), "0.12");
  EXPECT_EQ(Divide(D("100"), D("3"), 4)->ToString(), "33.3333");
  EXPECT_EQ(Divide(D("-2"), D("3"), 2)->ToString(), "-0.67");
  EXPECT_EQ(Multiply(D("4.33"), D("9.5"))->ToString(), "41.135");
  EXPECT_EQ(Trimmed(D("2.500")).ToString(), "2.5");
  EXPECT_EQ(Trimmed(D("50"), 2).ToString(), "50.00");
  EXPECT_FALSE(Divide(D("1"), D("0"), 2));
  EXPECT_FALSE(Add(D("9000000000000000000"), D("9000000000000000000")));
}

}  // namespace
}  // namespace eracuni::eslog20
