// Pages of a TopSpeed file: the 13-byte page header, the child references of internal
// pages, and the prefix-compressed record stream, packed or plain.
//
// A parsed Page owns the bytes of its records back to back; records are views into it. A
// leaf may be parsed with a head limit: it then keeps only the first bytes of each record
// (at least its key part), for walks that look at no more, and checks the page in full. Building goes the other way: PageBuilder collects records into one page's stream in
// the driver's own encoding, and FinishPage packs it when that saves a 256-byte unit.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "framework/status.h"

namespace eracuni::tps {

class PackedStream;

inline constexpr size_t kPageHeaderSize = 13;
inline constexpr size_t kUnit = 0x100;
inline constexpr size_t kFileHeaderSize = 0x200;
inline constexpr size_t kMaxPageUnits = 59;

inline uint64_t PageOffset(uint32_t ref) { return kFileHeaderSize + uint64_t{ref} * kUnit; }
inline size_t UnitsFor(size_t bytes) { return (bytes + kUnit - 1) / kUnit; }

struct PageHeader {
  uint32_t offset = 0;         // the page's own file offset
  uint16_t stored_size = 0;    // bytes on disk, header included
  uint16_t unpacked_size = 0;  // after unpacking, header included
  uint16_t expanded_size = 0;  // as if no record shared a prefix
  uint16_t count = 0;          // records, or children of an internal page
  uint8_t level = 0;           // 0 = leaf
};

PageHeader ParsePageHeader(std::string_view bytes);  // needs kPageHeaderSize bytes

class Page {
 public:
  // Parses the stored bytes of the page at `ref` (from its first byte, stored_size long).
  // With head_limit > 0, a leaf keeps the first max(head_limit, kMinHead, key length)
  // bytes of each record only.
  static Result<Page> Parse(uint32_t ref, std::string_view stored, size_t head_limit = 0);
  // Records share at most this many bytes with the one before: a head never keeps less.
  static constexpr size_t kMinHead = 0x3F;

  uint32_t ref() const { return ref_; }
  const PageHeader& header() const { return header_; }
  bool is_leaf() const { return header_.level == 0; }
  bool packed() const { return header_.stored_size != header_.unpacked_size; }
  // The head limit the records were kept with; 0 when they are whole.
  size_t head_limit() const { return head_limit_; }
  const std::vector<uint32_t>& children() const { return children_; }
  size_t size() const { return records_.size(); }
  // The bytes of record i kept (all of them unless head-limited), its key part (its first
  // key_length bytes), and its length.
  std::string_view record(size_t i) const;
  std::string_view key(size_t i) const;
  size_t length(size_t i) const { return records_[i].length; }
  // First record whose key part is not below `key`, or size().
  size_t LowerBound(std::string_view key) const;
  // Last record whose key part is not above `key`, or 0 when all are above it.
  size_t LastNotAbove(std::string_view key) const;

 private:
  struct Span {
    uint32_t offset;
    uint16_t length;
    uint16_t key_length;
    uint16_t kept;
  };
  Status ParseRecords(PackedStream& stream, size_t count);
  // Bytes kept of a record of `length` bytes.
  size_t Kept(size_t length, size_t key_length) const;

  uint32_t ref_ = 0;
  size_t head_limit_ = 0;
  PageHeader header_;
  std::vector<uint32_t> children_;
  std::unique_ptr<char[]> data_;  // left uninitialised: every byte is written before use
  std::vector<Span> records_;
};

// Collects the records of one page into its unpacked stream, each record sharing the
// longest prefix (at most 63 bytes) with the one before, exactly as the driver writes.
class PageBuilder {
 public:
  explicit PageBuilder(uint8_t level) : level_(level) {}

  // Bytes that Add would append to the stream.
  size_t EncodedSize(std::string_view record, uint16_t key_length) const;
  void Add(std::string_view record, uint16_t key_length);

  uint8_t level() const { return level_; }
  size_t count() const { return count_; }
  const std::string& stream() const { return stream_; }
  // 13 + 4 per child + the sum of (5 + record length).
  size_t expanded_size() const;
  size_t unpacked_size() const;
  const std::string& first_key() const { return first_key_; }

 private:
  uint8_t level_;
  size_t count_ = 0;
  size_t record_bytes_ = 0;
  std::string stream_;
  std::string previous_;
  uint16_t previous_key_length_ = 0;
  std::string first_key_;
};

// A finished page: header and body, with its self offset and child references still zero.
struct PageImage {
  uint8_t level = 0;
  size_t count = 0;
  std::string bytes;
  std::string first_key;
  size_t units() const { return UnitsFor(bytes.size()); }
};

// Packs the stream when that lowers the page's unit count, and lays out header and body.
// Fails when a page would be larger than the format allows.
Result<PageImage> FinishPage(const PageBuilder& page);
// Fills in the self offset and the child references of a placed page.
void PlacePage(PageImage& page, uint32_t ref, const std::vector<uint32_t>& child_refs);

}  // namespace eracuni::tps
