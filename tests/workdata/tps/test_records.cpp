#include "test_records.h"

#include <algorithm>

#include "framework/testing/fakes.h"
#include "workdata/fields.h"
#include "workdata/record_buffer.h"

namespace eracuni::tps::testing {

using namespace workdata;

std::string Header(uint32_t ident, std::string_view number) {
  RecordBuffer b(HeaderLayout());
  b.Clear();
  b.SetU32(eRACUNI::IDENTRACUN, ident);
  b.SetText(eRACUNI::STEVILKARACUNA, number);
  return std::string(b.bytes());
}

std::string Line(uint32_t ident, uint32_t line, std::string_view description) {
  RecordBuffer b(LineLayout());
  b.Clear();
  b.SetU32(eRACUNIP::IDENTRACUN, ident);
  b.SetU32(eRACUNIP::ZAPSTEVPOST, line);
  b.SetText(eRACUNIP::OPISARTIKLA1, description);
  return std::string(b.bytes());
}

std::string Attachment(uint32_t ident, uint16_t seq, std::string_view name) {
  RecordBuffer b(AttachmentLayout());
  b.Clear();
  b.SetU32(eRACPRIL::IDENTRACUN, ident);
  b.SetU16(eRACPRIL::ZAPSTEV, seq);
  b.SetText(eRACPRIL::IMEPRILOGE, name);
  return std::string(b.bytes());
}

std::string FilledRecord(const Layout& layout, const std::vector<uint32_t>& keys) {
  static constexpr std::string_view kLetters = "\x8A\x8E\xC8\xC6\xD0\x9A\x9E\xE8\xE6\xF0 A\xDF";
  RecordBuffer b(layout);
  b.Clear();
  for (const FieldRow& row : layout.rows) {
    if (row.type != FieldType::kText) continue;
    std::string text;
    for (size_t i = 0; i < row.width; ++i)
      text.push_back(kLetters[(i + row.offset) % kLetters.size()]);
    text.back() = 'Z';  // not blank at the end: the text fills its field
    b.SetText(row.field(), text);
  }
  for (size_t i = 0; i < keys.size(); ++i) {
    const Field& f = layout.key.components[i];
    if (f.type == FieldType::kU16)
      b.SetU16(f, static_cast<uint16_t>(keys[i]));
    else
      b.SetU32(f, keys[i]);
  }
  return std::string(b.bytes());
}

std::vector<std::string> SortedByKey(const Layout& layout, std::vector<std::string> records) {
  auto key = [&](const std::string& r) {
    RecordBuffer b(layout);
    b.Assign(r);
    std::vector<uint32_t> k;
    for (const Field& f : layout.key.components)
      k.push_back(f.type == FieldType::kU16 ? b.U16(f) : b.U32(f));
    return k;
  };
  std::stable_sort(records.begin(), records.end(),
                   [&](const std::string& a, const std::string& b) { return key(a) < key(b); });
  return records;
}

std::vector<std::string> ReadAll(TableDriver& driver, const std::string& path, const Layout& layout,
                                 OpenOutcome* outcome) {
  OpenResult r = driver.Open(path, layout, {});
  if (outcome) *outcome = r.outcome;
  std::vector<std::string> out;
  if (r.outcome != OpenOutcome::kOk) return out;
  RecordBuffer b(layout);
  b.Clear();
  r.table->Set(b);
  while (r.table->Next(b)) out.emplace_back(b.bytes());
  return out;
}

std::string SampleDir() {
  std::string shared = eracuni::testing::SharedDir();
  return shared.empty() ? "" : shared + "tps-samples/";
}

}  // namespace eracuni::tps::testing
