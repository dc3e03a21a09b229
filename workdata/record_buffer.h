// RecordBuffer: the current-record buffer of one work file.
//
// The file layer owns one buffer per work file; reading a record fills it and every writer
// takes its values from there. Texts are views of the stored blank-padded windows-1250
// bytes; numbers are little-endian. Setters blank-pad or cut texts to the field's width.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "workdata/field.h"

namespace eracuni::workdata {

class RecordBuffer {
 public:
  explicit RecordBuffer(const Layout& layout);

  const Layout& layout() const { return *layout_; }
  // Texts to blanks, numbers to zero.
  void Clear();

  // The field's stored bytes, trailing blanks included.
  std::string_view Text(Field f) const { return {bytes_.data() + f.offset, f.width}; }
  // The field's bytes without trailing blanks (the "clipped" value).
  std::string_view Clipped(Field f) const;
  uint32_t U32(Field f) const;
  uint16_t U16(Field f) const;

  void SetText(Field f, std::string_view value);
  void SetU32(Field f, uint32_t value);
  void SetU16(Field f, uint16_t value);

  std::string_view bytes() const { return bytes_; }
  // Replaces the whole record; `bytes` must have the record's size.
  bool Assign(std::string_view bytes);
  char* data() { return bytes_.data(); }
  size_t size() const { return bytes_.size(); }

 private:
  const Layout* layout_;
  std::string bytes_;
};

// Clipping helpers shared by every writer.
std::string_view ClipRight(std::string_view s);  // trailing blanks removed
std::string_view ClipBoth(std::string_view s);   // leading and trailing blanks removed

// Key order of two records of `layout` (u32 and u16 components, ascending, unsigned): <0, 0
// or >0. A component past a record's end counts as its bytes that are there.
int CompareKeys(const Layout& layout, std::string_view a, std::string_view b);
// Where the first of `records` (in key order) whose key is not below `key`'s is.
size_t FirstNotBelow(const Layout& layout, const std::vector<std::string>& records,
                     std::string_view key);

}  // namespace eracuni::workdata
