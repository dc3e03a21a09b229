#include "workdata/tps/key_encoding.h"

#include <algorithm>

#include "workdata/tps/coding.h"

namespace eracuni::tps {
namespace {

constexpr size_t kTableSize = 256;

bool Encodable(uint8_t t) {
  switch (t) {
    case type::kByte:
    case type::kShort:
    case type::kUShort:
    case type::kDate:
    case type::kTime:
    case type::kLong:
    case type::kULong:
    case type::kString:
      return true;
  }
  return false;
}

// The field's bytes, reversed into big-endian order, sign bit flipped for signed types.
// ULONG/USHORT/BYTE keys are likely plain big-endian (no file with one was seen).
void EncodeNumber(uint8_t t, std::string_view v, std::string* out) {
  size_t start = out->size();
  for (size_t i = v.size(); i-- > 0;) out->push_back(v[i]);
  if ((t == type::kLong || t == type::kShort) && out->size() > start)
    (*out)[start] = static_cast<char>(Byte(*out, start) ^ 0x80);
}

}  // namespace

CaseTable CaseTable::Ascii() {
  CaseTable t;
  for (int c = 'A'; c <= 'Z'; ++c) {
    t.other_case_[c] = static_cast<uint8_t>(c + 32);
    t.classes_[c] = 0x01;
    t.other_case_[c + 32] = static_cast<uint8_t>(c);
    t.classes_[c + 32] = 0x02;
  }
  for (int c = '0'; c <= '9'; ++c) t.classes_[c] = 0x04;
  return t;
}

std::optional<CaseTable> CaseTable::FromLocaleBody(std::string_view body) {
  if (body.size() < 1 + 4 * kTableSize) return std::nullopt;
  CaseTable t;
  for (size_t i = 0; i < kTableSize; ++i) {
    t.other_case_[i] = Byte(body, 1 + 2 * kTableSize + i);
    t.classes_[i] = Byte(body, 1 + 3 * kTableSize + i);
  }
  return t;
}

std::string CaseTable::LocaleBody() const {
  std::string out(1, '\0');
  for (int pass = 0; pass < 2; ++pass)
    for (size_t i = 0; i < kTableSize; ++i) out.push_back(static_cast<char>(i));
  out.append(other_case_.begin(), other_case_.end());
  out.append(classes_.begin(), classes_.end());
  out.append(128, '\0');
  return out;
}

bool CanEncodeKey(const TableDefinition& def, const StoredKey& key) {
  return std::all_of(key.components.begin(), key.components.end(), [&](const KeyComponent& c) {
    return c.field < def.fields.size() && Encodable(def.fields[c.field].type);
  });
}

Result<std::string> EncodeKeyValue(const TableDefinition& def, const StoredKey& key,
                                   std::string_view row, const CaseTable& cases) {
  std::string out;
  for (const KeyComponent& c : key.components) {
    if (c.field >= def.fields.size()) return Status::Corruption("key component out of range");
    const StoredField& f = def.fields[c.field];
    if (!Encodable(f.type))
      return Status::Unsupported("key " + key.name + ": " + TypeName(f.type) + " components");
    if (size_t{f.offset} + f.length > row.size())
      return Status::Corruption("row shorter than its fields");
    std::string_view v = row.substr(f.offset, f.length);
    size_t start = out.size();
    if (f.type == type::kString) {
      for (char ch : v)
        out.push_back(key.nocase() ? static_cast<char>(cases.Lower(static_cast<uint8_t>(ch))) : ch);
    } else {
      EncodeNumber(f.type, v, &out);
    }
    if (c.descending())
      for (size_t i = start; i < out.size(); ++i) out[i] = static_cast<char>(~Byte(out, i));
  }
  return out;
}

bool IsNullKey(const TableDefinition& def, const StoredKey& key, std::string_view row) {
  for (const KeyComponent& c : key.components) {
    if (c.field >= def.fields.size()) return false;
    const StoredField& f = def.fields[c.field];
    if (size_t{f.offset} + f.length > row.size()) return false;
    std::string_view v = row.substr(f.offset, f.length);
    char blank = f.type == type::kString ? ' ' : '\0';
    if (!std::all_of(v.begin(), v.end(), [&](char ch) { return ch == blank || ch == '\0'; }))
      return false;
  }
  return true;
}

}  // namespace eracuni::tps
