// The value forms of the work data for the e-SLOG 2.0 model (text, code, date, number,
// amount, quantity, price, rate, percent), each reporting why a stored value cannot be used.
//
// Internal to eslog20. A FieldReader reads one record (the header or one line); every
// problem goes to its Problems as a refusal line in windows-1250, prefixed for a line with
// "Postavka n: " so the user finds the line.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "eslog20/build.h"
#include "eslog20/decimal.h"
#include "workdata/field.h"
#include "workdata/record_buffer.h"

namespace eracuni::eslog20::internal {

// A work-data field with the name messages show ("ERACUNI:DATUMRACUNA").
struct NamedField {
  workdata::Field field;
  std::string_view name;
};
#define ESLOG20_H(f) ::eracuni::eslog20::internal::NamedField{::eracuni::workdata::eRACUNI::f, "ERACUNI:" #f}
#define ESLOG20_L(f) ::eracuni::eslog20::internal::NamedField{::eracuni::workdata::eRACUNIP::f, "ERACUNIP:" #f}

// A message in UTF-8 source text as windows-1250 bytes (every letter used is in the code page).
std::string Cp(std::string_view utf8);
// A value in double quotes for a message (windows-1250 or UTF-8), its control bytes escaped
// ("\n", "\x1B") so that a reason naming it stays one line.
std::string Quoted(std::string_view v);

class Problems {
 public:
  void Add(std::string_view id, std::string line) { list_.push_back({std::string(id), std::move(line)}); }
  std::vector<Refusal>& list() { return list_; }

 private:
  std::vector<Refusal> list_;
};

// text(n): windows-1250 to UTF-8, undefined and control bytes blanked, trimmed, cut to n
// characters, trimmed again.
std::string TextForm(std::string_view cp1250, size_t max_chars);
// The field without leading and trailing blanks.
std::string_view CodeForm(std::string_view cp1250);
// Every blank and control byte removed (IBAN and identifiers), as UTF-8: an identifier
// stored as control bytes alone is absent, as the XML writer could not show it.
std::string WithoutBlanks(std::string_view cp1250);
// At most `max_chars` whole characters of `utf8`; a byte that starts no UTF-8 sequence
// counts as one (the XML writer takes it as windows-1250).
std::string_view CutToChars(std::string_view utf8, size_t max_chars);
// CutToChars without leading and trailing blanks.
std::string CutChars(std::string_view utf8, size_t max_chars);
// The number parse of the work data: blanks and one "+" removed, "," as thousands or decimal
// separator; nothing for anything else. `too_long` is set when it is a number beyond 18 digits.
std::optional<Decimal> ParseWorkNumber(std::string_view cp1250, bool* too_long);
// Whether a date in the first 10 characters "YYYY-MM-DD" is a real calendar date.
bool IsCalendarDate(std::string_view text);

class FieldReader {
 public:
  // `prefix` starts every refusal line of this record ("Postavka 3: " for a line).
  FieldReader(const workdata::RecordBuffer& record, Problems& problems, std::string prefix = {});

  std::string_view Stored(NamedField f) const { return workdata::ClipBoth(record_.Text(f.field)); }
  bool Blank(NamedField f) const { return Stored(f).empty(); }
  std::string Text(NamedField f, size_t max_chars) const {
    return TextForm(record_.Text(f.field), max_chars);
  }
  std::string_view Code(NamedField f) const { return Stored(f); }

  // date10: "" when blank; R04 when not a date.
  std::string Date(NamedField f);
  // number (R30, R35); nothing when blank or refused.
  std::optional<Decimal> Number(NamedField f);
  // amount: scale 2 (R30, R31, R35).
  std::optional<Decimal> Amount(NamedField f);
  // quantity: trailing zeros dropped (R30, R35).
  std::optional<Decimal> Quantity(NamedField f);
  // rate: blank is 0; scale 2 (R30, R27, R35).
  std::optional<Decimal> Rate(NamedField f);
  // percent: at least 2 decimals (R30, R36, R35).
  std::optional<Decimal> Percent(NamedField f);

  // Adds a refusal; the line prefix is put in front of `line` (windows-1250).
  void Refuse(std::string_view id, std::string line);
  // R35 for a value of the field beyond `max_digits` digits or 6 decimals.
  bool FitsDigits(NamedField f, const Decimal& value, int max_digits);

  const workdata::RecordBuffer& record() const { return record_; }

 private:
  const workdata::RecordBuffer& record_;
  Problems& problems_;
  std::string prefix_;
};

// "{f}: vrednost "{v}" je predolga za e-SLOG 2.0." for a derived value.
std::string TooLongLine(std::string_view what, std::string_view value);

}  // namespace eracuni::eslog20::internal
