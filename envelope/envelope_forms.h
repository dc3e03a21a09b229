// The value forms only the envelope uses: timestamps, padded BICs, identifiers without their
// country prefix, document ids, base names, the hash text and the per-invoice file name.
//
// Inputs are windows-1250 bytes as the work data holds them; results stay windows-1250
// unless a function says otherwise. All are pure apart from HashText, which draws from the
// random source it is given.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "framework/platform.h"

namespace eracuni::envelope {

inline constexpr size_t kBicLength = 11;
inline constexpr size_t kHashLength = 40;
inline constexpr size_t kRemittanceBytes = 34;

// "2018-12-17T09:05:03.000".
std::string TimestampForm(const LocalDateTime& t);
// Clipped, then "X" appended up to 11 characters; a blank value gives eleven "X".
std::string PaddedBic(std::string_view bic);
// For a value beginning with "SI", its 8 characters from the third, clipped; otherwise the
// value clipped.
std::string WithoutSiPrefix(std::string_view id);
// The header identifier in decimal followed by the trimmed invoice number.
std::string DocId(uint32_t ident, std::string_view number);
// "EINV-", the trimmed invoice number and characters 5 to 10 of the invoice date.
std::string ExternalDocId(std::string_view number, std::string_view date);
// The part of a file name before its first ".", trimmed; the whole name when it has none.
std::string BaseName(std::string_view name);
// The buyer's tax number for a file name: without "SI" as WithoutSiPrefix, otherwise the
// first 32 characters; trimmed either way, since blanks in a file name help nobody.
std::string TaxNumber(std::string_view id);
// At most `limit` bytes of `text`, cut before a UTF-8 sequence that would not fit whole.
// Bytes that start no UTF-8 sequence count as one character each.
std::string CutWhole(std::string_view text, size_t limit);
// 40 digits, each drawn from 1 to 9.
std::string HashText(Random& random);
// An invoice number made fit for a file name: path separators become "-", so a number such
// as "2026/15" names a file in the output folder, not a sub-folder.
std::string SafeForFileName(std::string_view number);

// The envelope file of one invoice in a run that writes one file per invoice: the run's
// file name "<prefix>_<number>_<date><ext>" with the invoice's number in place of the run's.
// A name of another shape gets "_<number>" before its extension. Path separators in the
// number become "-". `run_path` and `number_utf8` are UTF-8.
std::string PerInvoicePath(const std::string& run_path, std::string_view number_utf8);

}  // namespace eracuni::envelope
