#include "workdata/tps/definition.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

#include "workdata/tps/coding.h"

namespace eracuni::tps {
namespace {

// An empty external name is followed by a marker byte 0x01 in the driver's files.
constexpr uint8_t kEmptyNameMarker = 0x01;
// Smallest encodings, to bound what a declared count may reserve.
constexpr size_t kMinFieldSize = 12, kMinMemoSize = 6, kMinKeySize = 5;

Status Truncated(const char* what) {
  return Status::Corruption(std::string("table definition ends inside ") + what);
}

bool ReadExternalName(Decoder& in, std::string* out) {
  std::string_view name;
  if (!in.CString(&name)) return false;
  out->assign(name);
  uint8_t next = 0;
  if (name.empty() && in.Peek(&next) && next == kEmptyNameMarker) in.Skip(1);
  return true;
}

void PutCString(std::string* out, std::string_view s) {
  out->append(s);
  PutU8(out, 0);
}

void PutExternalName(std::string* out, std::string_view s) {
  PutCString(out, s);
  if (s.empty()) PutU8(out, kEmptyNameMarker);
}

Status ParseField(Decoder& in, StoredField* f) {
  std::string_view name;
  if (!in.U8(&f->type) || !in.U16LE(&f->offset) || !in.CString(&name) || !in.U16LE(&f->elements) ||
      !in.U16LE(&f->length) || !in.U16LE(&f->flags) || !in.U16LE(&f->number))
    return Truncated("a field");
  f->name.assign(name);
  if (f->type == type::kDecimal) {
    if (!in.U8(&f->decimal_places) || !in.U8(&f->decimal_length)) return Truncated("a field");
  } else if (f->is_text()) {
    std::string_view picture;
    if (!in.U16LE(&f->string_length) || !in.CString(&picture)) return Truncated("a field");
    f->picture.assign(picture);
    // An empty picture is followed by one more zero byte.
    uint8_t next = 1;
    if (picture.empty() && in.Peek(&next) && next == 0) in.Skip(1);
  }
  return Status::Ok();
}

Status ParseMemo(Decoder& in, StoredMemo* m) {
  std::string_view name;
  if (!ReadExternalName(in, &m->external_name) || !in.CString(&name) || !in.U16LE(&m->size) ||
      !in.U16LE(&m->flags))
    return Truncated("a memo");
  m->name.assign(name);
  return Status::Ok();
}

Status ParseKey(Decoder& in, size_t field_count, StoredKey* k) {
  std::string_view name;
  uint16_t n = 0;
  if (!ReadExternalName(in, &k->external_name) || !in.CString(&name) || !in.U8(&k->flags) ||
      !in.U16LE(&n))
    return Truncated("a key");
  k->name.assign(name);
  if (n == 0) return Status::Corruption("key " + k->name + " has no components");
  if (n > in.remaining() / 4) return Truncated("a key");
  k->components.resize(n);
  for (KeyComponent& c : k->components) {
    if (!in.U16LE(&c.field) || !in.U16LE(&c.flags)) return Truncated("a key");
    if (c.field >= field_count)
      return Status::Corruption("key " + k->name + " names a field that does not exist");
  }
  return Status::Ok();
}

bool SameNameIgnoringCase(std::string_view a, std::string_view b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
    return std::toupper(static_cast<unsigned char>(x)) ==
           std::toupper(static_cast<unsigned char>(y));
  });
}

uint8_t TypeOf(workdata::FieldType t) {
  switch (t) {
    case workdata::FieldType::kText:
      return type::kString;
    case workdata::FieldType::kU32:
      return type::kULong;  // likely code, see type::kULong
    case workdata::FieldType::kU16:
      return type::kUShort;  // likely code, see type::kUShort
    case workdata::FieldType::kGroup:
      return type::kGroup;
  }
  return 0;
}

std::string Text(std::string_view s) { return "\"" + std::string(s) + "\""; }

}  // namespace

bool StoredField::is_text() const {
  return type == type::kString || type == type::kCString || type == type::kPString;
}

std::string TypeName(uint8_t code) {
  switch (code) {
    case type::kByte:
      return "BYTE";
    case type::kShort:
      return "SHORT";
    case type::kUShort:
      return "USHORT";
    case type::kDate:
      return "DATE";
    case type::kTime:
      return "TIME";
    case type::kLong:
      return "LONG";
    case type::kULong:
      return "ULONG";
    case type::kSReal:
      return "SREAL";
    case type::kReal:
      return "REAL";
    case type::kDecimal:
      return "DECIMAL";
    case type::kString:
      return "STRING";
    case type::kCString:
      return "CSTRING";
    case type::kPString:
      return "PSTRING";
    case type::kGroup:
      return "GROUP";
  }
  char buf[16];
  std::snprintf(buf, sizeof buf, "TYPE_0x%02X", code);
  return buf;
}

Result<TableDefinition> ParseDefinition(std::string_view bytes) {
  Decoder in(bytes);
  TableDefinition def;
  uint16_t fields = 0, memos = 0, keys = 0;
  if (!in.U16LE(&def.version) || !in.U16LE(&def.record_length) || !in.U16LE(&fields) ||
      !in.U16LE(&memos) || !in.U16LE(&keys))
    return Truncated("its header");
  if (fields > in.remaining() / kMinFieldSize) return Truncated("a field");
  def.fields.resize(fields);
  for (StoredField& f : def.fields) {
    if (Status s = ParseField(in, &f); !s.ok()) return s;
    if (f.offset + size_t{f.length} > def.record_length)
      return Status::Corruption("field " + f.name + " lies outside the record");
  }
  if (memos > in.remaining() / kMinMemoSize) return Truncated("a memo");
  def.memos.resize(memos);
  for (StoredMemo& m : def.memos)
    if (Status s = ParseMemo(in, &m); !s.ok()) return s;
  if (keys > in.remaining() / kMinKeySize) return Truncated("a key");
  def.keys.resize(keys);
  for (StoredKey& k : def.keys)
    if (Status s = ParseKey(in, def.fields.size(), &k); !s.ok()) return s;
  def.trailing.assign(in.rest());
  return def;
}

std::string EncodeDefinition(const TableDefinition& def) {
  std::string out;
  PutU16LE(&out, def.version);
  PutU16LE(&out, def.record_length);
  PutU16LE(&out, static_cast<uint16_t>(def.fields.size()));
  PutU16LE(&out, static_cast<uint16_t>(def.memos.size()));
  PutU16LE(&out, static_cast<uint16_t>(def.keys.size()));
  for (const StoredField& f : def.fields) {
    PutU8(&out, f.type);
    PutU16LE(&out, f.offset);
    PutCString(&out, f.name);
    PutU16LE(&out, f.elements);
    PutU16LE(&out, f.length);
    PutU16LE(&out, f.flags);
    PutU16LE(&out, f.number);
    if (f.type == type::kDecimal) {
      PutU8(&out, f.decimal_places);
      PutU8(&out, f.decimal_length);
    } else if (f.is_text()) {
      PutU16LE(&out, f.string_length);
      PutCString(&out, f.picture);
      if (f.picture.empty()) PutU8(&out, 0);
    }
  }
  for (const StoredMemo& m : def.memos) {
    PutExternalName(&out, m.external_name);
    PutCString(&out, m.name);
    PutU16LE(&out, m.size);
    PutU16LE(&out, m.flags);
  }
  for (const StoredKey& k : def.keys) {
    PutExternalName(&out, k.external_name);
    PutCString(&out, k.name);
    PutU8(&out, k.flags);
    PutU16LE(&out, static_cast<uint16_t>(k.components.size()));
    for (const KeyComponent& c : k.components) {
      PutU16LE(&out, c.field);
      PutU16LE(&out, c.flags);
    }
  }
  out.append(def.trailing);
  return out;
}

TableDefinition DefinitionOf(const workdata::Layout& layout) {
  TableDefinition def;
  def.record_length = static_cast<uint16_t>(layout.record_size);
  for (const workdata::FieldRow& row : layout.rows) {
    StoredField f;
    f.type = TypeOf(row.type);
    f.offset = static_cast<uint16_t>(row.offset);
    f.name.assign(row.name);
    f.length = static_cast<uint16_t>(row.width);
    f.number = static_cast<uint16_t>(def.fields.size());
    if (f.type == type::kString) f.string_length = f.length;
    def.fields.push_back(std::move(f));
  }
  StoredKey key;
  key.name.assign(layout.key.name);
  key.flags = kWorkKeyFlags;
  for (const workdata::Field& c : layout.key.components) {
    for (size_t i = 0; i < layout.rows.size(); ++i) {
      const workdata::FieldRow& row = layout.rows[i];
      if (!row.is_group() && row.offset == c.offset && row.width == c.width) {
        key.components.push_back({static_cast<uint16_t>(i), 0});
        break;
      }
    }
  }
  def.keys.push_back(std::move(key));
  return def;
}

Status MatchLayout(const TableDefinition& def, const workdata::Layout& layout) {
  TableDefinition want = DefinitionOf(layout);
  size_t common = std::min(def.fields.size(), want.fields.size());
  for (size_t i = 0; i < common; ++i) {
    const StoredField &got = def.fields[i], &w = want.fields[i];
    std::string at = "field " + std::to_string(i + 1) + " " + Text(w.name) + ": ";
    if (!SameNameIgnoringCase(got.name, w.name))
      return Status::Mismatch(at + "stored as " + Text(got.name));
    if (got.type != w.type) return Status::Mismatch(at + "stored as " + TypeName(got.type));
    if (got.offset != w.offset || got.length != w.length || got.elements != 1 ||
        (w.type == type::kString && got.string_length != w.string_length))
      return Status::Mismatch(at + "stored at offset " + std::to_string(got.offset) +
                              " with length " + std::to_string(got.length));
  }
  if (def.fields.size() != want.fields.size())
    return Status::Mismatch(std::to_string(def.fields.size()) + " fields, declared " +
                            std::to_string(want.fields.size()));
  if (def.record_length != want.record_length)
    return Status::Mismatch("record length " + std::to_string(def.record_length) + ", declared " +
                            std::to_string(want.record_length));
  if (def.memos.size() != 0) return Status::Mismatch("the file has memo fields");
  if (def.keys.size() != 1)
    return Status::Mismatch(std::to_string(def.keys.size()) + " keys, declared 1");
  const StoredKey &got = def.keys[0], &w = want.keys[0];
  if (!SameNameIgnoringCase(got.name, w.name))
    return Status::Mismatch("key " + Text(w.name) + " stored as " + Text(got.name));
  bool same = got.components.size() == w.components.size();
  for (size_t i = 0; same && i < w.components.size(); ++i)
    same = got.components[i].field == w.components[i].field && !got.components[i].descending();
  if (!same) return Status::Mismatch("key " + Text(w.name) + " has other components");
  return Status::Ok();
}

}  // namespace eracuni::tps
