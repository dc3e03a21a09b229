#include "eslog20/decimal.h"

#include <limits>

namespace eracuni::eslog20 {
namespace {

using Wide = __int128;
constexpr int kMaxScale = 18;

Wide Pow10(int n) {
  Wide p = 1;
  while (n-- > 0) p *= 10;
  return p;
}

std::optional<Decimal> Fit(Wide units, int scale) {
  if (units > std::numeric_limits<int64_t>::max() || units < -std::numeric_limits<int64_t>::max())
    return std::nullopt;
  return Decimal{static_cast<int64_t>(units), scale};
}

// `a` divided by `b` (b > 0), rounded half away from zero.
Wide DivideRounded(Wide a, Wide b) {
  Wide q = a / b;
  Wide r = a % b;
  if (r < 0) r = -r;
  if (2 * r >= b) q += a < 0 ? -1 : 1;
  return q;
}

// Both values at the larger scale, exact in 128 bits.
void Align(Decimal a, Decimal b, Wide& ua, Wide& ub, int& scale) {
  scale = a.scale > b.scale ? a.scale : b.scale;
  ua = Wide(a.units) * Pow10(scale - a.scale);
  ub = Wide(b.units) * Pow10(scale - b.scale);
}

}  // namespace

std::string Decimal::ToString() const {
  // Filled from the end: at most 20 digits, the point, the sign and a leading zero.
  char buf[24];
  char* end = buf + sizeof buf;
  char* p = end;
  uint64_t u = units < 0 ? 0 - static_cast<uint64_t>(units) : static_cast<uint64_t>(units);
  for (int i = 0; i < scale; ++i, u /= 10) *--p = static_cast<char>('0' + u % 10);
  if (scale > 0) *--p = '.';
  do {
    *--p = static_cast<char>('0' + u % 10);
    u /= 10;
  } while (u > 0);
  if (units < 0) *--p = '-';
  return std::string(p, end);
}

int Decimal::SignificantScale() const {
  int s = scale;
  for (int64_t u = units; s > 0 && u % 10 == 0; u /= 10) --s;
  return s;
}

int Decimal::TotalDigits() const {
  int fraction = SignificantScale();
  int digits = fraction;
  for (Wide whole = Wide(units < 0 ? -Wide(units) : Wide(units)) / Pow10(scale); whole > 0; whole /= 10)
    ++digits;
  return digits == 0 ? 1 : digits;
}

bool operator==(const Decimal& a, const Decimal& b) { return (a <=> b) == 0; }

std::strong_ordering operator<=>(const Decimal& a, const Decimal& b) {
  Wide ua, ub;
  int scale;
  Align(a, b, ua, ub, scale);
  return ua <=> ub;
}

std::optional<Decimal> ParseDecimal(std::string_view text) {
  size_t i = 0;
  bool negative = false;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
  Wide units = 0;
  int digits = 0, scale = 0;
  bool point = false;
  for (; i < text.size(); ++i) {
    char c = text[i];
    if (c == '.' && !point) {
      point = true;
      continue;
    }
    if (c < '0' || c > '9') return std::nullopt;
    if (++digits > 36) return std::nullopt;
    units = units * 10 + (c - '0');
    if (point) ++scale;
  }
  if (digits == 0 || scale > kMaxScale) return std::nullopt;
  return Fit(negative ? -units : units, scale);
}

std::optional<Decimal> Add(Decimal a, Decimal b) {
  Wide ua, ub;
  int scale;
  Align(a, b, ua, ub, scale);
  return Fit(ua + ub, scale);
}

std::optional<Decimal> Subtract(Decimal a, Decimal b) { return Add(a, Negated(b)); }

std::optional<Decimal> Multiply(Decimal a, Decimal b) {
  if (a.scale + b.scale > kMaxScale) return std::nullopt;
  return Fit(Wide(a.units) * Wide(b.units), a.scale + b.scale);
}

std::optional<Decimal> Divide(Decimal a, Decimal b, int scale) {
  if (b.units == 0 || scale < 0 || scale > kMaxScale) return std::nullopt;
  // a/b at `scale` = a.units * 10^(scale + b.scale - a.scale) / b.units
  int shift = scale + b.scale - a.scale;
  Wide num = a.units, den = b.units;
  if (shift >= 0) {
    if (shift > 36) return std::nullopt;
    num *= Pow10(shift);
  } else {
    if (-shift > 36) return std::nullopt;
    den *= Pow10(-shift);
  }
  if (den < 0) {
    num = -num;
    den = -den;
  }
  return Fit(DivideRounded(num, den), scale);
}

std::optional<Decimal> Rescale(Decimal a, int scale) {
  if (scale < 0 || scale > kMaxScale) return std::nullopt;
  if (scale >= a.scale) return Fit(Wide(a.units) * Pow10(scale - a.scale), scale);
  return Fit(DivideRounded(a.units, Pow10(a.scale - scale)), scale);
}

Decimal Trimmed(Decimal a, int min_scale) {
  int target = a.SignificantScale();
  if (target < min_scale) target = min_scale;
  return Rescale(a, target).value_or(a);
}

Decimal Abs(Decimal a) { return a.units < 0 ? Negated(a) : a; }

// Fit never makes the one value int64 cannot negate.
Decimal Negated(Decimal a) { return {-a.units, a.scale}; }

}  // namespace eracuni::eslog20
