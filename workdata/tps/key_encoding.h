// Key values of index entries: how a row's key fields become the bytes that order it.
//
// Numbers are big-endian, signed types with the sign bit flipped, so that byte order is
// numeric order; a descending component has every byte inverted; NOCASE texts are stored
// lower-cased through the file's case table. Only the encodings seen in the driver's
// files, or as good as certain from them, are offered; others are Unsupported.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "framework/status.h"
#include "workdata/tps/definition.h"

namespace eracuni::tps {

// The case table a file's 0xFB record carries (the creating machine's letters).
class CaseTable {
 public:
  // Letters A-Z and a-z only, as the files of the sample machines hold it.
  static CaseTable Ascii();
  // From the bytes of a 0xFB record after its 6-byte key part; nothing when too short.
  static std::optional<CaseTable> FromLocaleBody(std::string_view body);

  uint8_t Lower(uint8_t c) const { return (classes_[c] & 0x01) ? other_case_[c] : c; }
  // The 1153 bytes after the key part: a zero, two identity tables, the other case of
  // each letter, the class of each byte (1 upper, 2 lower, 4 digit), 128 zeros.
  std::string LocaleBody() const;

 private:
  std::array<uint8_t, 256> other_case_{};
  std::array<uint8_t, 256> classes_{};
};

inline constexpr size_t kLocaleBodySize = 1153;

// The key value of `row` (a row image of def.record_length bytes) for `key`.
Result<std::string> EncodeKeyValue(const TableDefinition& def, const StoredKey& key,
                                   std::string_view row, const CaseTable& cases);
// Whether every component of `key` is null in `row` (zero number, blank text): such rows
// have no entry in an OPT key.
bool IsNullKey(const TableDefinition& def, const StoredKey& key, std::string_view row);
// Whether EncodeKeyValue handles every component type of `key`.
bool CanEncodeKey(const TableDefinition& def, const StoredKey& key);

}  // namespace eracuni::tps
