#include "envelope/envelope_forms.h"

#include <algorithm>
#include <cstdio>

#include "framework/cp1250.h"
#include "framework/file_names.h"
#include "workdata/record_buffer.h"

namespace eracuni::envelope {

using workdata::ClipBoth;
using workdata::ClipRight;

std::string TimestampForm(const LocalDateTime& t) {
  char buf[48];
  std::snprintf(buf, sizeof buf, "%04d-%02d-%02dT%02d:%02d:%02d.000", t.year, t.month, t.day,
                t.hour, t.minute, t.second);
  return buf;
}

std::string PaddedBic(std::string_view bic) {
  std::string padded(ClipRight(bic));
  if (padded.size() < kBicLength) padded.append(kBicLength - padded.size(), 'X');
  return padded;
}

std::string WithoutSiPrefix(std::string_view id) {
  if (id.substr(0, 2) == "SI") return std::string(ClipRight(id.substr(2, 8)));
  return std::string(ClipRight(id));
}

std::string DocId(uint32_t ident, std::string_view number) {
  return std::to_string(ident) + std::string(ClipBoth(number));
}

std::string ExternalDocId(std::string_view number, std::string_view date) {
  std::string date_part(date.substr(std::min<size_t>(4, date.size()), 6));
  return "EINV-" + std::string(ClipBoth(number)) + date_part;
}

std::string BaseName(std::string_view name) {
  return std::string(ClipBoth(name.substr(0, name.find('.'))));
}

std::string TaxNumber(std::string_view id) {
  if (id.substr(0, 2) == "SI") return std::string(ClipBoth(id.substr(2, 8)));
  return std::string(ClipBoth(id.substr(0, 32)));
}

std::string CutWhole(std::string_view text, size_t limit) {
  size_t end = 0;
  while (end < text.size()) {
    size_t len = std::max<size_t>(1, Utf8SequenceLength(text, end));
    if (end + len > limit) break;
    end += len;
  }
  return std::string(text.substr(0, end));
}

std::string HashText(Random& random) {
  std::string hash;
  for (size_t i = 0; i < kHashLength; ++i) hash += static_cast<char>('0' + random.Between(1, 9));
  return hash;
}

std::string SafeForFileName(std::string_view number) {
  std::string safe(number);
  for (char& c : safe)
    if (c == '/' || c == '\\') c = '-';
  return safe;
}

std::string PerInvoicePath(const std::string& run_path, std::string_view number_utf8) {
  const size_t name_start = FileNameStart(run_path);
  const size_t dot = run_path.rfind('.');
  const size_t stem_end = (dot == std::string::npos || dot < name_start) ? run_path.size() : dot;
  const std::string_view stem(run_path.data() + name_start, stem_end - name_start);
  const std::string number = SafeForFileName(number_utf8);
  const size_t first = stem.find('_');
  const size_t last = stem.rfind('_');
  std::string head, tail;
  if (first != std::string_view::npos && first < last) {
    head = std::string(stem.substr(0, first + 1));
    tail = std::string(stem.substr(last));
  } else {
    head = std::string(stem) + "_";
  }
  return run_path.substr(0, name_start) + head + number + tail + run_path.substr(stem_end);
}

}  // namespace eracuni::envelope
