// Field and layout types of the work-data records.
//
// A record is a fixed-length block of fields without gaps: blank-padded windows-1250 text,
// or little-endian u32/u16 numbers. Groups name a span of fields and have no storage.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace eracuni::workdata {

enum class FieldType : uint8_t { kText, kU32, kU16, kGroup };

// Where a field lives in its record: what RecordBuffer needs to read or write it.
struct Field {
  uint32_t offset;
  uint32_t width;
  FieldType type;
};

// One row of a record table, groups included, in declaration order.
struct FieldRow {
  std::string_view name;  // "ERACUNI:STEVILKARACUNA"
  uint32_t offset;
  uint32_t width;
  FieldType type;
  uint8_t level;        // nesting depth, 0 = directly in the record
  uint16_t members;     // for a group: the number of rows nested in it at every depth

  Field field() const { return {offset, width, type}; }
  bool is_group() const { return type == FieldType::kGroup; }
  // The name without the file prefix: "STEVILKARACUNA".
  std::string_view short_name() const { return name.substr(name.find(':') + 1); }
};

struct KeyDef {
  std::string_view name;   // "ERACUNI:IDENTKLJUC"
  std::string_view label;  // "eRACUNI:IdentKljuc", as messages show it
  std::span<const Field> components;  // ascending, in order
  bool auto_number;
};

struct Layout {
  std::string_view label;  // "eRACUNI": file label, field prefix in other case, file name stem
  std::string_view file_name;  // "eRACUNI.TPS"
  uint32_t record_size;
  uint16_t structure_version;  // as registered with the upgrade manager
  std::span<const FieldRow> rows;
  KeyDef key;

  // The row of a field by its full name ("ERACUNI:IDENTRACUN") or short name, or nullptr.
  const FieldRow* Find(std::string_view name) const;
};

const Layout& HeaderLayout();      // eRACUNI, 8240 bytes
const Layout& LineLayout();        // eRACUNIP, 362 bytes
const Layout& AttachmentLayout();  // eRACPRIL, 516 bytes

}  // namespace eracuni::workdata
