// The run-length packing of TopSpeed page bodies.
//
// A packed stream is a sequence of groups: a count n, n literal bytes, and (when input
// remains) a repeat count r that writes the last literal byte r more times. Counts take
// one byte below 0x80, else two bytes (7 low bits, then 8 high bits; at most 0x7FFF).
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "framework/status.h"
#include "workdata/tps/coding.h"

namespace eracuni::tps {

// Unpacks `packed` into `*out`, which must come to exactly `expected` bytes. A stream that
// overruns, ends early or repeats before any byte was written is Corruption.
Status RleDecode(std::string_view packed, size_t expected, std::string* out);

// Packs the way the Clarion driver does, so that its bytes are reproduced: every run of
// four or more equal bytes becomes a repeat of its first byte, and a stream that ends in a
// repeat gets a closing empty group.
std::string RleEncode(std::string_view data);

// Reads the unpacked stream of a page body forward, straight from its packed (or plain)
// bytes, so that a page is unpacked and split into records in one step. Reads past the
// stream's size fail and move nothing. Finish() checks the rest of the packing and answers
// the status RleDecode would have given.
class PackedStream {
 public:
  static PackedStream Plain(std::string_view bytes);
  static PackedStream Packed(std::string_view packed, size_t expected);

  // Bytes a Read may write past its n: the buffer it writes to must have them to spare.
  static constexpr size_t kSlack = 64;

  // Unpacked bytes not read yet.
  size_t remaining() const { return size_ - read_; }
  // Copies the next n bytes to `out` (nullptr: skips them), which may be overwritten up
  // to kSlack bytes further; false when fewer than n bytes remain.
  bool Read(size_t n, char* out) {
    if (n > remaining()) return false;
    read_ += n;
    if (n > at_.literal_size) return out ? Take(n, out) : Skip(n);
    if (out && n > 0) std::memcpy(out, at_.literal, n);
    at_.literal += n;
    at_.literal_size -= n;
    return true;
  }
  bool U8(uint8_t* v) {
    char b[1 + kSlack];
    if (!Read(1, b)) return false;
    *v = static_cast<uint8_t>(b[0]);
    return true;
  }
  bool U16LE(uint16_t* v) {
    char b[2 + kSlack];
    if (!Read(2, b)) return false;
    *v = LoadU16LE(std::string_view(b, 2), 0);
    return true;
  }
  Status Finish();

 private:
  // Where the stream stands: what is left of the current group (literal bytes, then
  // repeats of the last byte), and the groups not read yet.
  struct Position {
    const char* literal = nullptr;
    size_t literal_size = 0;
    size_t repeat = 0;
    char last = 0;             // the byte a repeat writes
    const char* next = nullptr;
    size_t unpacked = 0;       // bytes the groups read so far stand for
  };
  PackedStream(std::string_view groups, size_t size);
  bool Take(size_t n, char* out);
  bool Skip(size_t n);
  // Reads the next group into `p`; the fault found, or nullptr.
  const char* NextGroup(Position& p) const;
  [[gnu::cold, gnu::noinline]] bool Fail(const char* fault);

  Position at_;
  const char* end_;  // the end of the input
  size_t size_;      // the stream's size
  size_t read_ = 0;  // bytes handed out
  Status status_;
};

}  // namespace eracuni::tps
