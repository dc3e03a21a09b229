// Any bytes through the value forms of the documents.
#include <cstdint>

#include "eslog/text_forms.h"
#include "fuzz/entries/fuzz_entries.h"

namespace eracuni::fuzz {
namespace {

bool IsContinuation(unsigned char c) { return (c & 0xC0) == 0x80; }

// Well-formed UTF-8 without overlong forms, surrogates or code points past U+10FFFF.
bool IsUtf8(std::string_view s) {
  for (size_t i = 0; i < s.size();) {
    unsigned char c = static_cast<unsigned char>(s[i]);
    size_t n = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
    if (n == 0 || i + n > s.size() || (n == 2 && c < 0xC2)) return false;
    uint32_t cp = n == 1 ? c : c & (0x7F >> n);
    for (size_t k = 1; k < n; ++k) {
      unsigned char d = static_cast<unsigned char>(s[i + k]);
      if (!IsContinuation(d)) return false;
      cp = (cp << 6) | (d & 0x3F);
    }
    if ((n == 3 && (cp < 0x800 || (cp >= 0xD800 && cp <= 0xDFFF))) ||
        (n == 4 && (cp < 0x10000 || cp > 0x10FFFF)))
      return false;
    i += n;
  }
  return true;
}

// The ISO 7064 MOD 97-10 check of an RF reference: the rearranged number leaves 1.
bool RfChecks(const std::string& rf) {
  std::string moved = rf.substr(4) + rf.substr(0, 4);
  unsigned remainder = 0;
  for (char c : moved) {
    unsigned v;
    if (c >= '0' && c <= '9')
      v = static_cast<unsigned>(c - '0');
    else if (c >= 'A' && c <= 'Z')
      v = static_cast<unsigned>(c - 'A' + 10);
    else if (c >= 'a' && c <= 'z')
      v = static_cast<unsigned>(c - 'a' + 10);
    else
      return false;
    remainder = (remainder * (v < 10 ? 10 : 100) + v) % 97;
  }
  return remainder == 1;
}

bool OnlyAmountCharacters(std::string_view s) {
  return s.find_first_not_of("0123456789.-") == std::string_view::npos;
}

}  // namespace

std::string FuzzValueForms(std::string_view data) {
  std::string prepared = eslog::PripraviBesedilo(data);
  if (prepared.size() != eslog::kPreparedSize) return "prepared text is not 240 bytes";
  if (!IsUtf8(prepared)) return "prepared text is not UTF-8";

  std::string rf = eslog::IzracunajSklicRF(data);
  if (rf.size() < 4 || rf.compare(0, 2, "RF") != 0) return "RF reference does not start RFnn";
  if (!RfChecks(rf)) return "RF reference fails its own check";

  if (!OnlyAmountCharacters(eslog::AmountForm(data))) return "amount form keeps other characters";
  (void)eslog::IsZeroAmount(data);

  std::string trimmed = eslog::TrimmedForm(data);
  if (!IsUtf8(trimmed) || (!trimmed.empty() && (trimmed.front() == ' ' || trimmed.back() == ' ')))
    return "trimmed form is not UTF-8 without outer blanks";
  if (!IsUtf8(eslog::UnchangedForm(data)) || !IsUtf8(eslog::PercentageForm(data)))
    return "unchanged or percentage form is not UTF-8";

  uint32_t number = 0;
  for (size_t i = 0; i < 4 && i < data.size(); ++i)
    number = (number << 8) | static_cast<unsigned char>(data[i]);
  std::string line = eslog::LineNumberForm(number);
  if (line.size() < 6 || std::to_string(number) != eslog::TrimmedForm(line))
    return "line number form does not hold the number";
  return "";
}

}  // namespace eracuni::fuzz
