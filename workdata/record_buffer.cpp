#include "workdata/record_buffer.h"

#include <algorithm>
#include <cstring>

#include "framework/blanks.h"

namespace eracuni::workdata {

RecordBuffer::RecordBuffer(const Layout& layout) : layout_(&layout), bytes_(layout.record_size, ' ') {
  Clear();
}

void RecordBuffer::Clear() {
  std::fill(bytes_.begin(), bytes_.end(), ' ');
  for (const FieldRow& r : layout_->rows)
    if (r.type == FieldType::kU32 || r.type == FieldType::kU16)
      std::memset(bytes_.data() + r.offset, 0, r.width);
}

std::string_view RecordBuffer::Clipped(Field f) const { return ClipRight(Text(f)); }

uint32_t RecordBuffer::U32(Field f) const {
  const auto* p = reinterpret_cast<const unsigned char*>(bytes_.data() + f.offset);
  return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
}

uint16_t RecordBuffer::U16(Field f) const {
  const auto* p = reinterpret_cast<const unsigned char*>(bytes_.data() + f.offset);
  return static_cast<uint16_t>(p[0] | p[1] << 8);
}

void RecordBuffer::SetText(Field f, std::string_view value) {
  char* p = bytes_.data() + f.offset;
  size_t n = std::min<size_t>(value.size(), f.width);
  if (n > 0) std::memcpy(p, value.data(), n);  // an empty view may have no data pointer
  std::memset(p + n, ' ', f.width - n);
}

void RecordBuffer::SetU32(Field f, uint32_t v) {
  char* p = bytes_.data() + f.offset;
  for (int i = 0; i < 4; ++i) p[i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}

void RecordBuffer::SetU16(Field f, uint16_t v) {
  char* p = bytes_.data() + f.offset;
  p[0] = static_cast<char>(v & 0xFF);
  p[1] = static_cast<char>(v >> 8);
}

bool RecordBuffer::Assign(std::string_view bytes) {
  if (bytes.size() != bytes_.size()) return false;
  bytes_.assign(bytes);
  return true;
}

std::string_view ClipRight(std::string_view s) { return DropTrailingBlanks(s); }

std::string_view ClipBoth(std::string_view s) { return DropLeadingBlanks(DropTrailingBlanks(s)); }

namespace {

uint32_t ReadKeyComponent(std::string_view rec, const Field& f) {
  uint32_t v = 0;
  uint32_t width = f.type == FieldType::kU16 ? 2 : 4;
  for (uint32_t i = 0; i < width && f.offset + i < rec.size(); ++i)
    v |= uint32_t{static_cast<unsigned char>(rec[f.offset + i])} << (8 * i);
  return v;
}

}  // namespace

size_t FirstNotBelow(const Layout& layout, const std::vector<std::string>& records,
                     std::string_view key) {
  auto it = std::lower_bound(records.begin(), records.end(), key,
                             [&](const std::string& rec, std::string_view k) {
                               return CompareKeys(layout, rec, k) < 0;
                             });
  return static_cast<size_t>(it - records.begin());
}

int CompareKeys(const Layout& layout, std::string_view a, std::string_view b) {
  for (const Field& f : layout.key.components) {
    uint32_t x = ReadKeyComponent(a, f), y = ReadKeyComponent(b, f);
    if (x != y) return x < y ? -1 : 1;
  }
  return 0;
}

}  // namespace eracuni::workdata
