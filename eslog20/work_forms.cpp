#include "eslog20/work_forms.h"

#include "framework/cp1250.h"

namespace eracuni::eslog20::internal {
namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Bytes without a character in windows-1250, and control bytes other than tab, LF and CR.
bool BlankedByte(unsigned char c) {
  if (c < 0x20) return c != '\t' && c != '\n' && c != '\r';
  return c == 0x81 || c == 0x83 || c == 0x88 || c == 0x90 || c == 0x98;
}

}  // namespace

std::string Quoted(std::string_view v) {
  std::string out = "\"";
  for (char c : v) {
    const unsigned char b = static_cast<unsigned char>(c);
    // A message box breaks its text at "|": a quoted value never does.
    if (c == '|') out += "\\x7C";
    else out += b < 0x20 || b == 0x7F ? EscapeControls(std::string_view(&c, 1)) : std::string(1, c);
  }
  return out + "\"";
}

std::string Cp(std::string_view utf8) { return Utf8ToCp1250(utf8).value_or(std::string(utf8)); }

std::string_view CutToChars(std::string_view utf8, size_t max_chars) {
  if (utf8.size() <= max_chars) return utf8;  // no more characters than bytes
  size_t end = 0;
  for (size_t chars = 0; end < utf8.size() && chars < max_chars; ++chars) {
    size_t n = static_cast<unsigned char>(utf8[end]) < 0x80 ? 1 : Utf8SequenceLength(utf8, end);
    end += n == 0 ? 1 : n;
  }
  return utf8.substr(0, end);
}

std::string CutChars(std::string_view utf8, size_t max_chars) {
  return std::string(workdata::ClipBoth(CutToChars(utf8, max_chars)));
}

std::string TextForm(std::string_view cp1250, size_t max_chars) {
  std::string cleaned;  // only when a byte is blanked: most texts are used as stored
  std::string_view text = cp1250;
  for (char c : cp1250) {
    if (!BlankedByte(static_cast<unsigned char>(c))) continue;
    cleaned.assign(cp1250);
    for (char& b : cleaned)
      if (BlankedByte(static_cast<unsigned char>(b))) b = ' ';
    text = cleaned;
    break;
  }
  text = workdata::ClipBoth(text);
  if (IsAscii(text)) return CutChars(text, max_chars);  // the same in UTF-8
  return CutChars(Cp1250ToUtf8(text), max_chars);
}

std::string_view CodeForm(std::string_view cp1250) { return workdata::ClipBoth(cp1250); }

std::string WithoutBlanks(std::string_view cp1250) {
  std::string kept;
  for (char c : cp1250)
    if (static_cast<unsigned char>(c) > ' ' && c != 0x7F) kept += c;
  return Cp1250ToUtf8(kept);
}

std::optional<Decimal> ParseWorkNumber(std::string_view cp1250, bool* too_long) {
  *too_long = false;
  std::string_view stored = workdata::ClipBoth(cp1250);
  std::string s;  // without any blank: most have none inside, and are copied whole
  if (stored.find(' ') == std::string_view::npos) {
    s.assign(stored);
  } else {
    for (char c : stored)
      if (c != ' ') s += c;
  }
  if (!s.empty() && s[0] == '+') s.erase(0, 1);
  bool comma = s.find(',') != std::string::npos, point = s.find('.') != std::string::npos;
  if (comma && point) {
    std::erase(s, ',');
  } else if (comma) {
    if (s.find(',') != s.rfind(',')) return std::nullopt;
    s[s.find(',')] = '.';
  }
  size_t i = s.starts_with('-') ? 1 : 0;
  size_t int_start = i;
  while (i < s.size() && IsDigit(s[i])) ++i;
  if (i == int_start) return std::nullopt;
  if (i < s.size()) {
    if (s[i] != '.') return std::nullopt;
    size_t frac_start = ++i;
    while (i < s.size() && IsDigit(s[i])) ++i;
    if (i == frac_start || i != s.size()) return std::nullopt;
    // Trailing fraction zeros carry nothing; dropping them keeps long stored forms readable.
    while (s.back() == '0') s.pop_back();
    if (s.back() == '.') s.pop_back();
  }
  std::optional<Decimal> d = ParseDecimal(s);
  if (!d) *too_long = true;
  return d;
}

bool IsCalendarDate(std::string_view text) {
  if (text.size() < 10) return false;
  for (size_t i : {0, 1, 2, 3, 5, 6, 8, 9})
    if (!IsDigit(text[i])) return false;
  if (text[4] != '-' || text[7] != '-') return false;
  auto num = [&](size_t at, size_t len) {
    int v = 0;
    for (size_t k = at; k < at + len; ++k) v = v * 10 + (text[k] - '0');
    return v;
  };
  int y = num(0, 4), m = num(5, 2), d = num(8, 2);
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (m < 1 || m > 12 || d < 1 || y < 1) return false;
  bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
  return d <= kDays[m - 1] + (m == 2 && leap ? 1 : 0);
}

std::string TooLongLine(std::string_view what, std::string_view value) {
  return std::string(what) + ": " + Cp("vrednost ") + Quoted(value) + Cp(" je predolga za e-SLOG 2.0.");
}

FieldReader::FieldReader(const workdata::RecordBuffer& record, Problems& problems,
                         std::string prefix)
    : record_(record), problems_(problems), prefix_(std::move(prefix)) {}

void FieldReader::Refuse(std::string_view id, std::string line) {
  problems_.Add(id, prefix_ + line);
}

std::string FieldReader::Date(NamedField f) {
  std::string_view v = record_.Text(f.field);
  v.remove_prefix(std::min(v.size(), v.find_first_not_of(' ')));
  if (workdata::ClipBoth(v).empty()) return {};
  if (!IsCalendarDate(v)) {
    Refuse("R04", Cp("Datum v polju ") + std::string(f.name) + Cp(" ni veljaven: ") + Quoted(Stored(f)) + ".");
    return {};
  }
  return std::string(v.substr(0, 10));
}

bool FieldReader::FitsDigits(NamedField f, const Decimal& value, int max_digits) {
  if (value.TotalDigits() <= max_digits && value.SignificantScale() <= 6) return true;
  Refuse("R35", TooLongLine(f.name, Stored(f)));
  return false;
}

std::optional<Decimal> FieldReader::Number(NamedField f) {
  if (Blank(f)) return std::nullopt;
  bool too_long = false;
  std::optional<Decimal> d = ParseWorkNumber(record_.Text(f.field), &too_long);
  if (too_long)
    Refuse("R35", TooLongLine(f.name, Stored(f)));
  else if (!d)
    Refuse("R30", std::string(f.name) + ": " + Quoted(Stored(f)) + Cp(" ni število."));
  return d;
}

std::optional<Decimal> FieldReader::Amount(NamedField f) {
  std::optional<Decimal> d = Number(f);
  if (!d) return std::nullopt;
  if (d->SignificantScale() > 2) {
    Refuse("R31", std::string(f.name) + Cp(": znesek ") + Quoted(Stored(f)) +
                      Cp(" ima več kot dve decimalki (BR-DEC)."));
    return std::nullopt;
  }
  d = Rescale(*d, 2);
  if (!d || !FitsDigits(f, *d, 18)) return std::nullopt;
  return d;
}

std::optional<Decimal> FieldReader::Quantity(NamedField f) {
  std::optional<Decimal> d = Number(f);
  if (!d || !FitsDigits(f, *d, 18)) return std::nullopt;
  return Trimmed(*d);
}

std::optional<Decimal> FieldReader::Rate(NamedField f) {
  if (Blank(f)) return Decimal::Cents(0);
  std::optional<Decimal> d = Number(f);
  if (!d) return std::nullopt;
  if (d->IsNegative() || d->SignificantScale() > 2) {
    Refuse("R27", Cp("stopnja DDV ") + Quoted(Stored(f)) + Cp(" ni veljavna."));
    return std::nullopt;
  }
  d = Rescale(*d, 2);
  if (!d || !FitsDigits(f, *d, 10)) return std::nullopt;
  return d;
}

std::optional<Decimal> FieldReader::Percent(NamedField f) {
  std::optional<Decimal> d = Number(f);
  if (!d) return std::nullopt;
  if (d->IsNegative() || d->SignificantScale() > 6) {
    Refuse("R36", Cp("odstotek ") + Quoted(Stored(f)) + Cp(" ni veljaven."));
    return std::nullopt;
  }
  if (!FitsDigits(f, *d, 10)) return std::nullopt;
  return Trimmed(*d, 2);
}

}  // namespace eracuni::eslog20::internal
