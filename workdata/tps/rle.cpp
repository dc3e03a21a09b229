#include "workdata/tps/rle.h"

#include <algorithm>

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
bool ReadCount(const char** p, const char* end, size_t* n) {
  if (*p == end) return false;
  uint8_t b0 = static_cast<uint8_t>(*(*p)++);
  if (b0 < 0x80) {
    *n = b0;
    return true;
  }
  if (*p == end) return false;
  *n = (b0 & 0x7Fu) | (size_t{static_cast<uint8_t>(*(*p)++)} << 7);
  return true;
}

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

PackedStream::PackedStream(std::string_view groups, size_t size)
    : end_(groups.data() + groups.size()), size_(size) {
  at_.next = groups.data();
}

PackedStream PackedStream::Plain(std::string_view bytes) {
  PackedStream s(bytes.substr(bytes.size()), bytes.size());
  s.at_.literal = bytes.data();
  s.at_.literal_size = bytes.size();
  s.at_.unpacked = bytes.size();
  return s;
}

PackedStream PackedStream::Packed(std::string_view packed, size_t expected) {
  return PackedStream(packed, expected);
}

// The checks and their order are RleDecode's, so that the first fault gets its text.
inline const char* PackedStream::NextGroup(Position& p) const {
  if (p.next == end_) return "packed page body is shorter than its size";
  size_t n = 0, r = 0;
  if (!ReadCount(&p.next, end_, &n) || n > size_t(end_ - p.next))
    return "packed page body ends inside a group";
  if (p.unpacked + n > size_) return "packed page body overruns its size";
  p.literal = p.next;
  p.literal_size = n;
  p.next += n;
  p.unpacked += n;
  if (n > 0) p.last = p.literal[n - 1];
  if (p.next == end_) return nullptr;
  if (!ReadCount(&p.next, end_, &r)) return "packed page body ends inside a count";
  if (r == 0) return nullptr;
  if (p.unpacked == 0) return "packed page body repeats before any byte";
  if (p.unpacked + r > size_) return "packed page body overruns its size";
  p.repeat = r;
  p.unpacked += r;
  return nullptr;
}

// Most groups are a few bytes long, and their lengths vary without pattern: a literal or
// a repeat of up to kSlack bytes is moved as a whole kSlack-byte piece, a fixed-size copy
// without a call or a branch on its length (a copy reads past the literal only while the
// input lasts). The position is worked on in a local copy, as stores through `out` could
// alias the members.
bool PackedStream::Take(size_t n, char* out) {
  Position p = at_;
  while (n > 0) {
    if (p.literal_size == 0 && p.repeat == 0)
      if (const char* fault = NextGroup(p)) return Fail(fault);
    size_t k = std::min(n, p.literal_size);
    if (k <= kSlack && end_ - p.literal >= static_cast<ptrdiff_t>(kSlack))
      std::memcpy(out, p.literal, kSlack);
    else
      std::memcpy(out, p.literal, k);
    p.literal += k;
    p.literal_size -= k;
    out += k;
    n -= k;
    size_t r = std::min(n, p.repeat);
    if (r <= kSlack)
      std::memset(out, p.last, kSlack);
    else
      std::memset(out, p.last, r);
    p.repeat -= r;
    out += r;
    n -= r;
  }
  at_ = p;
  return true;
}

bool PackedStream::Skip(size_t n) {
  Position p = at_;
  while (n > 0) {
    if (p.literal_size == 0 && p.repeat == 0)
      if (const char* fault = NextGroup(p)) return Fail(fault);
    size_t k = std::min(n, p.literal_size);
    p.literal += k;
    p.literal_size -= k;
    size_t r = std::min(n - k, p.repeat);
    p.repeat -= r;
    n -= k + r;
  }
  at_ = p;
  return true;
}

// Only the first fault counts; nothing more is read from a faulty stream.
bool PackedStream::Fail(const char* fault) {
  if (status_.ok()) status_ = Status::Corruption(fault);
  at_ = {};
  at_.next = end_;
  return false;
}

Status PackedStream::Finish() {
  if (status_.ok()) Read(remaining(), nullptr);
  while (status_.ok() && at_.next != end_)
    if (const char* fault = NextGroup(at_)) Fail(fault);
  if (status_.ok() && at_.unpacked != size_) Fail("packed page body is shorter than its size");
  return status_;
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
