// Byte-order helpers for TopSpeed files, and a bounds-checked Decoder over a byte span.
//
// File headers, page headers and definitions are little-endian; table numbers, record
// numbers and key values are big-endian so that byte order equals numeric order. Every
// read goes through these helpers: nothing is cast from raw bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace eracuni::tps {

inline uint8_t Byte(std::string_view s, size_t i) { return static_cast<uint8_t>(s[i]); }

inline uint16_t LoadU16LE(std::string_view s, size_t i) {
  return static_cast<uint16_t>(Byte(s, i) | (Byte(s, i + 1) << 8));
}
inline uint32_t LoadU32LE(std::string_view s, size_t i) {
  return static_cast<uint32_t>(Byte(s, i)) | (static_cast<uint32_t>(Byte(s, i + 1)) << 8) |
         (static_cast<uint32_t>(Byte(s, i + 2)) << 16) |
         (static_cast<uint32_t>(Byte(s, i + 3)) << 24);
}
inline uint16_t LoadU16BE(std::string_view s, size_t i) {
  return static_cast<uint16_t>((Byte(s, i) << 8) | Byte(s, i + 1));
}
inline uint32_t LoadU32BE(std::string_view s, size_t i) {
  return (static_cast<uint32_t>(Byte(s, i)) << 24) | (static_cast<uint32_t>(Byte(s, i + 1)) << 16) |
         (static_cast<uint32_t>(Byte(s, i + 2)) << 8) | static_cast<uint32_t>(Byte(s, i + 3));
}

inline void PutU8(std::string* out, uint8_t v) { out->push_back(static_cast<char>(v)); }
inline void PutU16LE(std::string* out, uint16_t v) {
  PutU8(out, static_cast<uint8_t>(v));
  PutU8(out, static_cast<uint8_t>(v >> 8));
}
inline void PutU32LE(std::string* out, uint32_t v) {
  PutU16LE(out, static_cast<uint16_t>(v));
  PutU16LE(out, static_cast<uint16_t>(v >> 16));
}
inline void PutU16BE(std::string* out, uint16_t v) {
  PutU8(out, static_cast<uint8_t>(v >> 8));
  PutU8(out, static_cast<uint8_t>(v));
}
inline void PutU32BE(std::string* out, uint32_t v) {
  PutU16BE(out, static_cast<uint16_t>(v >> 16));
  PutU16BE(out, static_cast<uint16_t>(v));
}
// Overwrites four bytes at `at` (which must exist).
inline void StoreU32LE(std::string* out, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) (*out)[at + i] = static_cast<char>(v >> (8 * i));
}

inline std::string U32BE(uint32_t v) {
  std::string s;
  PutU32BE(&s, v);
  return s;
}

// Reads forward through a span; every read fails (returns false, moves nothing) when the
// span has too few bytes left.
class Decoder {
 public:
  explicit Decoder(std::string_view bytes) : bytes_(bytes) {}

  size_t remaining() const { return bytes_.size() - pos_; }
  size_t position() const { return pos_; }
  std::string_view rest() const { return bytes_.substr(pos_); }

  bool U8(uint8_t* v) {
    if (remaining() < 1) return false;
    *v = Byte(bytes_, pos_++);
    return true;
  }
  bool U16LE(uint16_t* v) {
    if (remaining() < 2) return false;
    *v = LoadU16LE(bytes_, pos_);
    pos_ += 2;
    return true;
  }
  bool U32LE(uint32_t* v) {
    if (remaining() < 4) return false;
    *v = LoadU32LE(bytes_, pos_);
    pos_ += 4;
    return true;
  }
  bool U32BE(uint32_t* v) {
    if (remaining() < 4) return false;
    *v = LoadU32BE(bytes_, pos_);
    pos_ += 4;
    return true;
  }
  bool Bytes(size_t n, std::string_view* out) {
    if (remaining() < n) return false;
    *out = bytes_.substr(pos_, n);
    pos_ += n;
    return true;
  }
  // A zero-terminated text; the terminator is consumed but not returned.
  bool CString(std::string_view* out) {
    size_t end = bytes_.find('\0', pos_);
    if (end == std::string_view::npos) return false;
    *out = bytes_.substr(pos_, end - pos_);
    pos_ = end + 1;
    return true;
  }
  // The next byte without consuming it.
  bool Peek(uint8_t* v) const {
    if (remaining() < 1) return false;
    *v = Byte(bytes_, pos_);
    return true;
  }
  bool Skip(size_t n) {
    if (remaining() < n) return false;
    pos_ += n;
    return true;
  }

 private:
  std::string_view bytes_;
  size_t pos_ = 0;
};

}  // namespace eracuni::tps
