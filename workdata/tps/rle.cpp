#include "workdata/tps/rle.h"

#include "workdata/tps/coding.h"

namespace eracuni::tps {
namespace {

constexpr size_t kMaxCount = 0x7FFF;

bool ReadCount(Decoder& in, size_t* n) {
  uint8_t b0 = 0, b1 = 0;
  if (!in.U8(&b0)) return false;
  if (b0 < 0x80) {
    *n = b0;
    return true;
  }
  if (!in.U8(&b1)) return false;
  *n = (b0 & 0x7Fu) | (static_cast<size_t>(b1) << 7);
  return true;
}

void PutCount(std::string* out, size_t n) {
  if (n < 0x80) {
    PutU8(out, static_cast<uint8_t>(n));
  } else {
    PutU8(out, static_cast<uint8_t>(0x80 | (n & 0x7F)));
    PutU8(out, static_cast<uint8_t>(n >> 7));
  }
}

// Length of the run of equal bytes starting at `i`.
size_t RunLength(std::string_view d, size_t i) {
  const char* p = d.data();
  size_t j = i + 1, n = d.size();
  while (j < n && p[j] == p[i]) ++j;
  return j - i;
}

}  // namespace

Status RleDecode(std::string_view packed, size_t expected, std::string* out) {
  out->clear();
  out->reserve(expected);
  Decoder in(packed);
  while (in.remaining() > 0) {
    size_t n = 0;
    std::string_view literal;
    if (!ReadCount(in, &n) || !in.Bytes(n, &literal))
      return Status::Corruption("packed page body ends inside a group");
    if (out->size() + n > expected) return Status::Corruption("packed page body overruns its size");
    out->append(literal);
    if (in.remaining() == 0) break;
    size_t r = 0;
    if (!ReadCount(in, &r)) return Status::Corruption("packed page body ends inside a count");
    if (r == 0) continue;
    if (out->empty()) return Status::Corruption("packed page body repeats before any byte");
    if (out->size() + r > expected) return Status::Corruption("packed page body overruns its size");
    out->append(r, out->back());
  }
  if (out->size() != expected)
    return Status::Corruption("packed page body is shorter than its size");
  return Status::Ok();
}

std::string RleEncode(std::string_view data) {
  std::string out;
  size_t i = 0;
  while (i < data.size()) {
    // Literals up to and including the first byte of the next long run.
    size_t start = i, run = 0;
    while (i < data.size()) {
      run = RunLength(data, i);
      if (run >= 4) break;
      i += run;
      run = 0;
    }
    size_t literal_end = run >= 4 ? i + 1 : i;
    while (literal_end - start > kMaxCount) {
      // Too long for one group: a full group with an empty repeat.
      PutCount(&out, kMaxCount);
      out.append(data.substr(start, kMaxCount));
      start += kMaxCount;
      PutCount(&out, 0);
    }
    PutCount(&out, literal_end - start);
    out.append(data.substr(start, literal_end - start));
    if (run < 4) break;  // the data ended in literals
    size_t repeat = std::min(run - 1, kMaxCount);
    PutCount(&out, repeat);
    i = literal_end + repeat;
    if (i == data.size()) PutCount(&out, 0);
  }
  return out;
}

}  // namespace eracuni::tps
