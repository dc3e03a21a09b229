// Table definitions as a TopSpeed file stores them: fields, memos and keys.
//
// The definition is the content of a table's 0xFA records, joined in part order. We parse
// every definition we meet, encode it back byte for byte, derive the definition of a
// work-data layout, and compare a stored definition with a declared layout.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "framework/status.h"
#include "workdata/field.h"

namespace eracuni::tps {

// Field type codes.
namespace type {
inline constexpr uint8_t kByte = 0x01;
inline constexpr uint8_t kShort = 0x02;
inline constexpr uint8_t kUShort = 0x03;  // no sample file holds one: the code is likely, not seen
inline constexpr uint8_t kDate = 0x04;
inline constexpr uint8_t kTime = 0x05;
inline constexpr uint8_t kLong = 0x06;
inline constexpr uint8_t kULong = 0x07;  // likely, not seen, as for USHORT
inline constexpr uint8_t kSReal = 0x08;
inline constexpr uint8_t kReal = 0x09;
inline constexpr uint8_t kDecimal = 0x0A;
inline constexpr uint8_t kString = 0x12;
inline constexpr uint8_t kCString = 0x13;
inline constexpr uint8_t kPString = 0x14;
inline constexpr uint8_t kGroup = 0x16;
}  // namespace type

// "STRING", "ULONG", ...; "TYPE_0x1B" for codes we do not know.
std::string TypeName(uint8_t code);

// Key flags.
namespace key_flag {
inline constexpr uint8_t kDup = 0x01;
inline constexpr uint8_t kOpt = 0x02;
inline constexpr uint8_t kNoCase = 0x04;
inline constexpr uint8_t kPrimary = 0x10;
}  // namespace key_flag

struct StoredField {
  uint8_t type = 0;
  uint16_t offset = 0;
  std::string name;  // "PRE:NAME", windows-1250 bytes as declared
  uint16_t elements = 1;
  uint16_t length = 0;  // of the whole field, all elements
  uint16_t flags = 0;
  uint16_t number = 0;         // 0-based, groups and their members counted
  uint8_t decimal_places = 0;  // DECIMAL only
  uint8_t decimal_length = 0;
  uint16_t string_length = 0;  // STRING, CSTRING, PSTRING only
  std::string picture;

  bool is_text() const;
};

struct StoredMemo {
  std::string external_name;
  std::string name;
  uint16_t size = 0;
  uint16_t flags = 0;
};

struct KeyComponent {
  uint16_t field = 0;  // index into the field list
  uint16_t flags = 0;  // 0x01 descending
  bool descending() const { return flags & 0x01; }
};

struct StoredKey {
  std::string external_name;
  std::string name;
  uint8_t flags = 0;
  std::vector<KeyComponent> components;
  bool dup() const { return flags & key_flag::kDup; }
  bool opt() const { return flags & key_flag::kOpt; }
  bool nocase() const { return flags & key_flag::kNoCase; }
};

struct TableDefinition {
  uint16_t version = 1;  // 2 in tables with a BLOB
  uint16_t record_length = 0;
  std::vector<StoredField> fields;
  std::vector<StoredMemo> memos;
  std::vector<StoredKey> keys;
  std::string trailing;  // bytes after the keys, kept as they are (none seen)
};

Result<TableDefinition> ParseDefinition(std::string_view bytes);
std::string EncodeDefinition(const TableDefinition& def);

// The flags our writer gives the one key of a work file: a unique primary key, ascending,
// without OPT (so that identifier 0 has its entry) and without NOCASE (numeric components).
// The producer's own declaration is not known; the driver does not compare key flags.
inline constexpr uint8_t kWorkKeyFlags = key_flag::kPrimary;

// The stored definition of a work-data layout: every row a field (groups as GROUP, their
// members after them), text as STRING, u32 as ULONG, u16 as USHORT, and its one key.
TableDefinition DefinitionOf(const workdata::Layout& layout);

// Ok when `def` declares exactly `layout`: record length, field names (ignoring case, as
// the language does), types, offsets and lengths, the key's name and components in order.
// Otherwise Mismatch naming the first difference.
Status MatchLayout(const TableDefinition& def, const workdata::Layout& layout);

}  // namespace eracuni::tps
