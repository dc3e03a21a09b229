// The value forms of the documents: text preparation, the RF creditor reference, and the
// forms of amounts, percentages, line numbers and trimmed texts.
//
// Inputs are windows-1250 bytes as the work data holds them; outputs are UTF-8 (the prepared
// text carries the Slovenian letters as UTF-8 pairs). None of these report errors.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace eracuni::eslog {

inline constexpr size_t kPreparedSize = 240;

// Each of the first 240 input positions (blank-padded) replaced by its table entry; a byte
// the table leaves alone is its windows-1250 character as UTF-8. The output is cut at 240
// bytes, never inside a multi-byte character, and blank-padded to 240 bytes.
std::string PripraviBesedilo(std::string_view text);
// PripraviBesedilo without the blanks that pad it to 240 bytes (trailing blanks of its own
// may remain): for values whose trailing blanks are dropped anyway, as the XML writer does.
std::string PreparedText(std::string_view text);
// PreparedText into `out`, which has kPreparedSize bytes of room; returns its length.
size_t Prepare(std::string_view text, char* out);
// "RF", two check digits, the reference without dashes and trailing blanks (ISO 11649).
// Letters A-Z (either case) count 10-35; characters that cannot stand in an RF reference
// (blanks, signs, other letters) are left out of both the check and the result.
std::string IzracunajSklicRF(std::string_view reference);
// Leading blanks dropped, then only digits, "." and "-" kept.
std::string AmountForm(std::string_view amount);
// The text read as a number with two decimals is zero (blank counts as zero). Reading stops
// at the first character that does not continue the number; the third decimal rounds half
// away from zero, so 0.004 is zero and 0.005 is not. Exact for any length.
bool IsZeroAmount(std::string_view amount);
// The text without leading blanks.
std::string PercentageForm(std::string_view percentage);
// Right-aligned in six positions; seven or more digits are written in full.
std::string LineNumberForm(uint32_t number);
// Without leading and trailing blanks.
std::string TrimmedForm(std::string_view text);
// A value the documents copy as stored (codes, dates, accounts): its windows-1250 bytes as
// UTF-8, trailing blanks kept (the XML writer drops them).
std::string UnchangedForm(std::string_view text);

}  // namespace eracuni::eslog
