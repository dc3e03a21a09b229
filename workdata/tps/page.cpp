#include "workdata/tps/page.h"

#include <algorithm>
#include <cstring>

#include "workdata/tps/coding.h"
#include "workdata/tps/rle.h"

namespace eracuni::tps {
namespace {

constexpr uint8_t kHasLength = 0x80;
constexpr uint8_t kHasKeyLength = 0x40;
constexpr size_t kMaxShared = 0x3F;
constexpr size_t kMaxLevel = 31;

std::string Where(uint32_t ref) { return "page " + std::to_string(ref) + ": "; }

// Whether `key` sorts above `previous`, the two sharing their first `shared` bytes at
// least: the first byte after those mostly decides, without a call.
bool Rises(std::string_view previous, std::string_view key, size_t shared) {
  size_t i = std::min({shared, previous.size(), key.size()});
  while (i < previous.size() && i < key.size() && previous[i] == key[i]) ++i;
  if (i < previous.size() && i < key.size())
    return static_cast<uint8_t>(key[i]) > static_cast<uint8_t>(previous[i]);
  return key.size() > previous.size();
}

}  // namespace

PageHeader ParsePageHeader(std::string_view b) {
  PageHeader h;
  h.offset = LoadU32LE(b, 0);
  h.stored_size = LoadU16LE(b, 4);
  h.unpacked_size = LoadU16LE(b, 6);
  h.expanded_size = LoadU16LE(b, 8);
  h.count = LoadU16LE(b, 10);
  h.level = Byte(b, 12);
  return h;
}

Result<Page> Page::Parse(uint32_t ref, std::string_view stored, size_t head_limit) {
  if (stored.size() < kPageHeaderSize) return Status::Corruption(Where(ref) + "truncated header");
  Page p;
  p.ref_ = ref;
  p.header_ = ParsePageHeader(stored);
  const PageHeader& h = p.header_;
  if (h.level == 0 && head_limit > 0) p.head_limit_ = std::max(head_limit, kMinHead);
  if (h.offset != PageOffset(ref)) return Status::Corruption(Where(ref) + "wrong self offset");
  if (h.stored_size < kPageHeaderSize || h.stored_size > stored.size())
    return Status::Corruption(Where(ref) + "stored size out of range");
  if (h.level > kMaxLevel) return Status::Corruption(Where(ref) + "level out of range");
  if (h.count == 0) return Status::Corruption(Where(ref) + "empty page");
  Decoder body(stored.substr(kPageHeaderSize, h.stored_size - kPageHeaderSize));
  size_t refs_size = h.level > 0 ? 4u * h.count : 0;
  if (h.unpacked_size < kPageHeaderSize + refs_size)
    return Status::Corruption(Where(ref) + "unpacked size out of range");
  p.children_.reserve(h.level > 0 ? h.count : 0);
  for (size_t i = 0; h.level > 0 && i < h.count; ++i) {
    uint32_t child = 0;
    if (!body.U32LE(&child)) return Status::Corruption(Where(ref) + "truncated child list");
    p.children_.push_back(child);
  }
  size_t stream_size = h.unpacked_size - kPageHeaderSize - refs_size;
  PackedStream stream =
      p.packed() ? PackedStream::Packed(body.rest(), stream_size) : PackedStream::Plain(body.rest());
  Status records = p.ParseRecords(stream, h.count);
  // A fault in the packing is named before what it did to the records.
  if (Status s = stream.Finish(); !s.ok()) return Status::Corruption(Where(ref) + s.message());
  if (!records.ok()) return Status::Corruption(Where(ref) + records.message());
  return p;
}

Status Page::ParseRecords(PackedStream& in, size_t count) {
  records_.reserve(count);
  // Each record is at most kMaxShared bytes of its predecessor plus bytes of the stream.
  size_t capacity = in.remaining() + kMaxShared * count, size = 0;
  data_ = std::make_unique_for_overwrite<char[]>(capacity + PackedStream::kSlack);
  char* data = data_.get();
  size_t previous_offset = 0, previous_length = 0;
  uint16_t length = 0, key_length = 0;
  for (size_t i = 0; i < count; ++i) {
    uint8_t flags = 0;
    if (!in.U8(&flags)) return Status::Corruption("record stream ends early");
    if ((flags & kHasLength) && !in.U16LE(&length))
      return Status::Corruption("record stream ends early");
    if ((flags & kHasKeyLength) && !in.U16LE(&key_length))
      return Status::Corruption("record stream ends early");
    size_t shared = flags & kMaxShared;
    if (shared > previous_length || shared > length || key_length > length ||
        length - shared > in.remaining())
      return Status::Corruption("record lengths out of range");
    size_t kept = Kept(length, key_length);  // never below shared: see kMinHead
    if (kept > capacity - size || !in.Read(kept - shared, data + size + shared) ||
        !in.Read(length - kept, nullptr))
      return Status::Corruption("record lengths out of range");
    if (shared > 0) std::memcpy(data + size, data + previous_offset, shared);
    records_.push_back(
        {static_cast<uint32_t>(size), length, key_length, static_cast<uint16_t>(kept)});
    previous_offset = size;
    previous_length = length;
    size += kept;
    if (i > 0 && !Rises(key(i - 1), key(i), shared))
      return Status::Corruption("records out of order");
  }
  if (in.remaining() != 0) return Status::Corruption("record stream longer than its records");
  return Status::Ok();
}

std::string_view Page::record(size_t i) const {
  return std::string_view(data_.get() + records_[i].offset, records_[i].kept);
}
size_t Page::Kept(size_t length, size_t key_length) const {
  return head_limit_ == 0 ? length : std::min(length, std::max(head_limit_, key_length));
}

std::string_view Page::key(size_t i) const { return record(i).substr(0, records_[i].key_length); }

size_t Page::LowerBound(std::string_view k) const {
  size_t lo = 0, hi = records_.size();
  while (lo < hi) {
    size_t mid = lo + (hi - lo) / 2;
    if (key(mid) < k)
      lo = mid + 1;
    else
      hi = mid;
  }
  return lo;
}

size_t Page::LastNotAbove(std::string_view k) const {
  size_t lo = 0, hi = records_.size();  // first key above k
  while (lo < hi) {
    size_t mid = lo + (hi - lo) / 2;
    if (key(mid) <= k)
      lo = mid + 1;
    else
      hi = mid;
  }
  return lo == 0 ? 0 : lo - 1;
}

size_t PageBuilder::EncodedSize(std::string_view record, uint16_t key_length) const {
  if (count_ == 0) return 5 + record.size();
  size_t shared = 0, limit = std::min({previous_.size(), record.size(), kMaxShared});
  while (shared < limit && previous_[shared] == record[shared]) ++shared;
  return 1 + (record.size() != previous_.size() ? 2 : 0) +
         (key_length != previous_key_length_ ? 2 : 0) + record.size() - shared;
}

void PageBuilder::Add(std::string_view record, uint16_t key_length) {
  size_t shared = 0;
  uint8_t flags = kHasLength | kHasKeyLength;
  if (count_ > 0) {
    size_t limit = std::min({previous_.size(), record.size(), kMaxShared});
    while (shared < limit && previous_[shared] == record[shared]) ++shared;
    flags = static_cast<uint8_t>(shared);
    if (record.size() != previous_.size()) flags |= kHasLength;
    if (key_length != previous_key_length_) flags |= kHasKeyLength;
  } else {
    first_key_.assign(record.substr(0, key_length));
  }
  PutU8(&stream_, flags);
  if (flags & kHasLength) PutU16LE(&stream_, static_cast<uint16_t>(record.size()));
  if (flags & kHasKeyLength) PutU16LE(&stream_, key_length);
  stream_.append(record.substr(shared));
  previous_.assign(record);
  previous_key_length_ = key_length;
  record_bytes_ += record.size();
  ++count_;
}

size_t PageBuilder::expanded_size() const {
  return kPageHeaderSize + (level_ > 0 ? 4 * count_ : 0) + 5 * count_ + record_bytes_;
}
size_t PageBuilder::unpacked_size() const {
  return kPageHeaderSize + (level_ > 0 ? 4 * count_ : 0) + stream_.size();
}

Result<PageImage> FinishPage(const PageBuilder& page) {
  size_t refs = page.level() > 0 ? 4 * page.count() : 0;
  size_t plain = page.unpacked_size();
  if (plain > 0xFFFF || page.expanded_size() > 0xFFFF || page.count() > 0xFFFF)
    return Status::Unsupported("a page's records are too large for the format");
  std::string packed = RleEncode(page.stream());
  size_t packed_size = kPageHeaderSize + refs + packed.size();
  bool pack = UnitsFor(packed_size) < UnitsFor(plain);
  size_t stored = pack ? packed_size : plain;
  if (UnitsFor(stored) > kMaxPageUnits)
    return Status::Unsupported("a record is too large for a page");
  PageImage img;
  img.level = page.level();
  img.count = page.count();
  img.first_key = page.first_key();
  img.bytes.reserve(stored);
  PutU32LE(&img.bytes, 0);
  PutU16LE(&img.bytes, static_cast<uint16_t>(stored));
  PutU16LE(&img.bytes, static_cast<uint16_t>(plain));
  PutU16LE(&img.bytes, static_cast<uint16_t>(page.expanded_size()));
  PutU16LE(&img.bytes, static_cast<uint16_t>(page.count()));
  PutU8(&img.bytes, page.level());
  img.bytes.append(refs, '\0');
  img.bytes.append(pack ? std::string_view(packed) : std::string_view(page.stream()));
  return img;
}

void PlacePage(PageImage& page, uint32_t ref, const std::vector<uint32_t>& child_refs) {
  StoreU32LE(&page.bytes, 0, static_cast<uint32_t>(PageOffset(ref)));
  for (size_t i = 0; i < child_refs.size(); ++i)
    StoreU32LE(&page.bytes, kPageHeaderSize + 4 * i, child_refs[i]);
}

}  // namespace eracuni::tps
