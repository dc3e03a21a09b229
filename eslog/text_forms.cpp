#include "eslog/text_forms.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <utility>

#include "framework/blanks.h"
#include "framework/cp1250.h"

namespace eracuni::eslog {
namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsAsciiLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

// The characters AmountForm keeps.
constexpr std::array<bool, 256> AmountBytes() {
  std::array<bool, 256> kept{};
  for (int c = '0'; c <= '9'; ++c) kept[c] = true;
  kept['.'] = kept['-'] = true;
  return kept;
}
constexpr std::array<bool, 256> kAmountBytes = AmountBytes();

struct Substitution {
  unsigned char byte;
  const char* text;
};
// The table of prepared text: Č č Ć ć Š š Đ đ Ž ž as their UTF-8 pairs; ö Ö ü Ü without the
// umlaut; & ° " ' CR LF | and the blank.
constexpr Substitution kTable[] = {
    {0xC8, "\xC4\x8C"}, {0xE8, "\xC4\x8D"}, {0xC6, "\xC4\x86"}, {0xE6, "\xC4\x87"},
    {0x8A, "\xC5\xA0"}, {0x9A, "\xC5\xA1"}, {0xD0, "\xC4\x90"}, {0xF0, "\xC4\x91"},
    {0x8E, "\xC5\xBD"}, {0x9E, "\xC5\xBE"}, {0xF6, "o"},        {0xD6, "O"},
    {0xFC, "u"},        {0xDC, "U"},        {'&', "+"},         {0xB0, "st."},
    {'"', "col"},       {'\'', ""},         {'\r', ""},         {'\n', " "},
    {'|', " "},         {' ', " "},
};

// What one input byte becomes; a byte outside the table is its windows-1250 character.
std::string Prepared(unsigned char c) {
  for (const Substitution& s : kTable)
    if (s.byte == c) return s.text;
  return Cp1250ToUtf8(std::string_view(reinterpret_cast<const char*>(&c), 1));
}

// Prepared() for every byte, built once: the documents prepare every text they write.
const std::array<std::string, 256>& PreparedPieces() {
  static const std::array<std::string, 256> pieces = [] {
    std::array<std::string, 256> all;
    for (size_t c = 0; c < all.size(); ++c) all[c] = Prepared(static_cast<unsigned char>(c));
    return all;
  }();
  return pieces;
}

// The bytes Prepared() leaves as they are.
const std::array<bool, 256>& UnchangedBytes() {
  static const std::array<bool, 256> same = [] {
    std::array<bool, 256> all{};
    const std::array<std::string, 256>& pieces = PreparedPieces();
    for (size_t c = 0; c < all.size(); ++c)
      all[c] = pieces[c].size() == 1 && static_cast<unsigned char>(pieces[c][0]) == c;
    return all;
  }();
  return same;
}

// Two decimal digits per letter (A = 10 ... Z = 35, either case), one per digit.
unsigned Mod97Step(unsigned remainder, char c) {
  if (IsDigit(c)) return (remainder * 10 + static_cast<unsigned>(c - '0')) % 97;
  unsigned letter = static_cast<unsigned>((c | 0x20) - 'a') + 10;
  return (remainder * 100 + letter) % 97;
}

}  // namespace

size_t Prepare(std::string_view text, char* out) {
  const std::array<std::string, 256>& pieces = PreparedPieces();
  const std::array<bool, 256>& same = UnchangedBytes();
  size_t used = 0;
  // Blanks prepare to blanks, and PripraviBesedilo pads with them: trailing ones are skipped.
  text = DropTrailingBlanks(text.substr(0, kPreparedSize));
  for (size_t i = 0; i < text.size();) {
    size_t room = kPreparedSize - used;
    size_t run = i;  // bytes that stay as they are go in one piece
    while (run < text.size() && same[static_cast<unsigned char>(text[run])]) ++run;
    if (run > i) {
      size_t n = std::min(run - i, room);
      std::memcpy(out + used, text.data() + i, n);
      used += n;
      if (n < run - i) break;
      i = run;
      continue;
    }
    const std::string& piece = pieces[static_cast<unsigned char>(text[i++])];
    if (piece.size() > room) {
      // ASCII replacements are cut like any bytes; a character is never cut in half.
      bool one_character = piece.size() > 1 && static_cast<unsigned char>(piece[0]) >= 0x80;
      if (!one_character) {
        std::memcpy(out + used, piece.data(), room);
        used += room;
      }
      break;
    }
    std::memcpy(out + used, piece.data(), piece.size());
    used += piece.size();
  }
  return used;
}

std::string PreparedText(std::string_view text) {
  char out[kPreparedSize];
  return std::string(out, Prepare(text, out));
}

std::string PripraviBesedilo(std::string_view text) {
  std::string out(kPreparedSize, ' ');
  Prepare(text, out.data());
  return out;
}

std::string IzracunajSklicRF(std::string_view reference) {
  std::string without_dashes;
  for (char c : reference)
    if (c != '-') without_dashes += c;
  // Only digits and letters can stand in an RF reference; anything else is left out.
  std::string kept;
  for (char c : DropTrailingBlanks(without_dashes))
    if (IsDigit(c) || IsAsciiLetter(c)) kept += c;
  unsigned remainder = 0;
  for (char c : kept + "RF00") remainder = Mod97Step(remainder, c);
  unsigned check = 98 - remainder;
  return "RF" + std::string(1, static_cast<char>('0' + check / 10)) +
         static_cast<char>('0' + check % 10) + kept;
}

std::string AmountForm(std::string_view amount) {
  std::string_view text = DropTrailingBlanks(DropLeadingBlanks(amount));  // left out anyway
  size_t plain = 0;  // most amounts keep every character: copied whole
  while (plain < text.size() && kAmountBytes[static_cast<unsigned char>(text[plain])]) ++plain;
  if (plain == text.size()) return std::string(text);
  std::string out;
  char kept[32];  // gathered here, appended a piece at a time
  size_t n = 0;
  for (char c : text) {
    if (!kAmountBytes[static_cast<unsigned char>(c)]) continue;
    if (n == sizeof kept) out.append(kept, std::exchange(n, 0));
    kept[n++] = c;
  }
  return out.append(kept, n);
}

// Read as a number with two decimals, rounded half away from zero: 0.004 is zero, 0.005 is
// not. Reading stops at the first character that cannot continue the number.
bool IsZeroAmount(std::string_view amount) {
  std::string_view s = DropLeadingBlanks(amount);
  size_t i = 0;
  if (i < s.size() && (s[i] == '-' || s[i] == '+')) ++i;
  for (; i < s.size() && IsDigit(s[i]); ++i)
    if (s[i] != '0') return false;
  if (i >= s.size() || s[i] != '.') return true;
  ++i;
  for (size_t decimal = 0; decimal < 3 && i < s.size() && IsDigit(s[i]); ++decimal, ++i) {
    if (decimal < 2 && s[i] != '0') return false;
    if (decimal == 2 && s[i] >= '5') return false;
  }
  return true;
}

std::string PercentageForm(std::string_view percentage) {
  return UnchangedForm(DropLeadingBlanks(percentage));
}

// Numbers of seven or more digits keep all their digits; no digit-group separator.
std::string LineNumberForm(uint32_t number) {
  std::string digits = std::to_string(number);
  if (digits.size() < 6) digits.insert(0, 6 - digits.size(), ' ');
  return digits;
}

std::string TrimmedForm(std::string_view text) {
  return UnchangedForm(DropTrailingBlanks(DropLeadingBlanks(text)));
}

std::string UnchangedForm(std::string_view text) { return Cp1250ToUtf8(text); }

}  // namespace eracuni::eslog
