// Decimal: the exact numbers of an e-SLOG 2.0 invoice (amounts, quantities, prices, rates).
//
// A value is `units` × 10^-`scale`. The scale is the number of fraction digits the value is
// written with, so one type serves both directions: the model builder sets the scale of each
// value form (amounts 2, quantities without trailing zeros, prices at least 2, ...), and a
// value read from a document keeps the digits it was written with (BR-DEC checks them).
// Comparison is by value: 1.5 == 1.50. No binary floating point anywhere; rounding is half
// away from zero. Arithmetic reports an overflow of 18-19 digits as nothing.
#pragma once

#include <compare>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace eracuni::eslog20 {

struct Decimal {
  int64_t units = 0;
  int scale = 0;  // 0..18

  static Decimal Cents(int64_t cents) { return {cents, 2}; }

  // "-12.50": exactly `scale` fraction digits, "-" only for a value below zero.
  std::string ToString() const;
  // Fraction digits without trailing zeros (12.500 has 1).
  int SignificantScale() const;
  // Digits as xs:totalDigits counts them: integer digits without leading zeros plus
  // significant fraction digits (0.05 has 2, 1234.50 has 5).
  int TotalDigits() const;
  bool IsZero() const { return units == 0; }
  bool IsNegative() const { return units < 0; }

  friend bool operator==(const Decimal& a, const Decimal& b);
  friend std::strong_ordering operator<=>(const Decimal& a, const Decimal& b);
};

// An xs:decimal as a document writes it ("-12.50", "+3", ".5"); nothing when it is not one
// or does not fit. The written scale is kept.
std::optional<Decimal> ParseDecimal(std::string_view text);

// Exact results at the larger (sum) or combined (product) scale; nothing on overflow.
std::optional<Decimal> Add(Decimal a, Decimal b);
std::optional<Decimal> Subtract(Decimal a, Decimal b);
std::optional<Decimal> Multiply(Decimal a, Decimal b);
// a / b rounded half away from zero to `scale` digits; nothing when b is 0 or on overflow.
std::optional<Decimal> Divide(Decimal a, Decimal b, int scale);
// Half away from zero to `scale` digits, or widened to it without change.
std::optional<Decimal> Rescale(Decimal a, int scale);
// The same value written with its trailing fraction zeros dropped, keeping at least `min_scale`.
Decimal Trimmed(Decimal a, int min_scale = 0);
Decimal Abs(Decimal a);
Decimal Negated(Decimal a);

}  // namespace eracuni::eslog20
