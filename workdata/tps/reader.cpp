#include "workdata/tps/reader.h"

#include <algorithm>

#include "workdata/tps/coding.h"

namespace eracuni::tps {
namespace {

constexpr size_t kCachePages = 64;
constexpr size_t kReadAhead = 64 * 1024;  // leaves in key order mostly lie side by side
constexpr size_t kMaxDefinitionBytes = 1 << 20;
constexpr size_t kMaxTables = 1 << 16;
constexpr std::string_view kMagic = "tOpS";

class MemoryFile : public RandomAccessFile {
 public:
  explicit MemoryFile(std::string data) : data_(std::move(data)) {}
  uint64_t Size() const override { return data_.size(); }
  Status Read(uint64_t offset, size_t n, std::string* out) override {
    if (offset >= data_.size())
      out->clear();
    else
      out->assign(data_, offset, n);
    return Status::Ok();
  }

 private:
  std::string data_;
};

std::string TableText(uint32_t n) { return "table " + std::to_string(n) + ": "; }

}  // namespace

std::string TablePrefix(uint32_t table, uint8_t type) {
  std::string s = U32BE(table);
  PutU8(&s, type);
  return s;
}

std::string DataKey(uint32_t table, uint32_t record_number) {
  std::string s = TablePrefix(table, rec::kData);
  PutU32BE(&s, record_number);
  return s;
}

Result<FileHeader> ParseFileHeader(std::string_view b, uint64_t file_size) {
  if (file_size < kFileHeaderSize || b.size() < kFileHeaderSize)
    return Status::Corruption("shorter than a TopSpeed file header");
  if (LoadU32LE(b, 0) != 0 || b.substr(0x0E, 4) != kMagic)
    return Status::Corruption("not a TopSpeed file (or an encrypted one)");
  if (LoadU16LE(b, 0x04) != kFileHeaderSize) return Status::Corruption("unknown file header size");
  FileHeader h;
  h.file_length = LoadU32LE(b, 0x06);
  h.allocated_length = LoadU32LE(b, 0x0A);
  h.last_issued = LoadU32BE(b, 0x14);
  h.changes = LoadU32LE(b, 0x18);
  h.root = LoadU32LE(b, 0x1C);
  for (size_t i = 0; i < kZones; ++i) {
    h.zone_start[i] = LoadU32LE(b, 0x20 + 4 * i);
    h.zone_end[i] = LoadU32LE(b, 0x110 + 4 * i);
  }
  if (h.file_length > file_size)
    return Status::Corruption("truncated: " + std::to_string(file_size) + " of " +
                              std::to_string(h.file_length) + " bytes");
  if (PageOffset(h.root) + kPageHeaderSize > h.file_length)
    return Status::Corruption("root page outside the file");
  return h;
}

Result<std::unique_ptr<Reader>> Reader::Open(std::unique_ptr<RandomAccessFile> file) {
  std::unique_ptr<Reader> r(new Reader(std::move(file)));
  std::string bytes;
  if (Status s = r->file_->Read(0, kFileHeaderSize, &bytes); !s.ok()) return s;
  auto header = ParseFileHeader(bytes, r->file_->Size());
  if (!header.ok()) return header.status();
  r->header_ = *header;
  if (Status s = r->FindTables(); !s.ok()) return s;
  return r;
}

Result<std::unique_ptr<Reader>> Reader::OpenBytes(std::string bytes) {
  return Open(std::make_unique<MemoryFile>(std::move(bytes)));
}

const TableInfo* Reader::FindTable(uint32_t number) const {
  for (const TableInfo& t : tables_)
    if (t.number == number) return &t;
  return nullptr;
}

namespace {

// A cached page serves a request when it keeps at least the bytes asked for.
bool Serves(const Page& page, size_t head_limit) {
  return page.head_limit() == 0 || (head_limit > 0 && page.head_limit() >= head_limit);
}

}  // namespace

Result<std::shared_ptr<const Page>> Reader::LoadPage(uint32_t ref, size_t head_limit) {
  CacheEntry* slot = nullptr;
  for (CacheEntry& e : cache_) {
    if (e.ref != ref) continue;
    if (Serves(*e.page, head_limit)) {
      e.used = ++clock_;
      return e.page;
    }
    slot = &e;  // kept fewer bytes: replaced by the page parsed below
  }
  uint64_t offset = PageOffset(ref), end = header_.file_length;
  if (offset + kPageHeaderSize > end)
    return Status::Corruption("page " + std::to_string(ref) + " outside the file");
  size_t available = static_cast<size_t>(std::min<uint64_t>(end - offset, 0xFFFF));
  size_t ahead = static_cast<size_t>(std::min<uint64_t>(end - offset, kReadAhead));
  auto head = ReadAt(offset, kPageHeaderSize, ahead);
  if (!head.ok()) return head.status();
  if (head->size() < kPageHeaderSize)
    return Status::Corruption("page " + std::to_string(ref) + " cut short");
  size_t stored = LoadU16LE(*head, 4);
  if (stored > available)
    return Status::Corruption("page " + std::to_string(ref) + " runs past the end");
  auto bytes = ReadAt(offset, std::max(stored, kPageHeaderSize), ahead);
  if (!bytes.ok()) return bytes.status();
  auto page = Page::Parse(ref, *bytes, head_limit);
  if (!page.ok()) return page.status();
  auto shared = std::make_shared<const Page>(std::move(*page));
  if (slot) {
    *slot = {ref, ++clock_, shared};
  } else if (cache_.size() < kCachePages) {
    cache_.push_back({ref, ++clock_, shared});
  } else {
    auto oldest =
        std::min_element(cache_.begin(), cache_.end(),
                         [](const CacheEntry& a, const CacheEntry& b) { return a.used < b.used; });
    *oldest = {ref, ++clock_, shared};
  }
  return shared;
}

Result<std::string_view> Reader::ReadAt(uint64_t offset, size_t n, size_t ahead) {
  Window* w = &windows_[0];
  for (Window& candidate : windows_) {
    if (candidate.Holds(offset, n)) {
      w = &candidate;
      break;
    }
    if (candidate.used < w->used) w = &candidate;
  }
  if (!w->Holds(offset, n)) {
    if (Status s = file_->Read(offset, std::max(n, ahead), &w->bytes); !s.ok()) {
      w->bytes.clear();
      return s;
    }
    w->offset = offset;
  }
  w->used = ++clock_;
  return std::string_view(w->bytes).substr(offset - w->offset, n);
}

Status Reader::Scan(std::string_view prefix, const Visitor& visit) {
  Cursor c(*this);
  for (c.Seek(prefix); c.Valid() && c.key().starts_with(prefix); c.Next())
    if (Status s = visit(c.record(), static_cast<uint16_t>(c.key().size())); !s.ok()) return s;
  return c.status();
}

Status Reader::ScanRows(const TableInfo& t,
                        const std::function<Status(uint32_t, std::string_view)>& visit) {
  return Scan(TablePrefix(t.number, rec::kData), [&](std::string_view r, uint16_t key_length) {
    if (key_length != 9 || r.size() != 9 + size_t{t.definition.record_length})
      return Status::Corruption(TableText(t.number) + "a row has the wrong length");
    return visit(LoadU32BE(r, 5), r.substr(9));
  });
}

Status Reader::FindRow(const TableInfo& t, uint32_t number, Cursor& cursor, std::string_view* row) {
  std::string key = DataKey(t.number, number);
  cursor.Seek(key);
  if (!cursor.status().ok()) return cursor.status();
  if (!cursor.Valid() || cursor.key() != key)
    return Status::NotFound(TableText(t.number) + "no row " + std::to_string(number));
  std::string_view r = cursor.record();
  if (r.size() != 9 + size_t{t.definition.record_length})
    return Status::Corruption(TableText(t.number) + "a row has the wrong length");
  *row = r.substr(9);
  return Status::Ok();
}

Status Reader::FindTables() {
  std::map<uint32_t, std::string> names;
  Status s =
      Scan(std::string(1, static_cast<char>(rec::kName)), [&](std::string_view r, uint16_t kl) {
        if (kl < 1 || r.size() != kl + size_t{4})
          return Status::Corruption("malformed table-name record");
        names.emplace(LoadU32BE(r, kl), std::string(r.substr(1, kl - 1)));
        return Status::Ok();
      });
  if (!s.ok()) return s;
  // Skip from table to table: each descent lands on the first record of the next table.
  Cursor c(*this);
  std::string next;
  while (tables_.size() < kMaxTables) {
    c.Seek(next);
    while (c.Valid() && c.key().empty()) c.Next();
    if (!c.status().ok()) return c.status();
    if (!c.Valid() || Byte(c.key(), 0) >= rec::kName) break;
    if (c.key().size() < 5) return Status::Corruption("a record's key is too short");
    TableInfo t;
    t.number = LoadU32BE(c.key(), 0);
    if (auto n = names.find(t.number); n != names.end()) t.name = n->second;
    tables_.push_back(std::move(t));
    if (tables_.back().number == 0xFFFFFFFFu) break;
    next = U32BE(tables_.back().number + 1);
  }
  for (TableInfo& t : tables_)
    if (Status st = ReadTable(&t); !st.ok()) return st;
  return Status::Ok();
}

Status Reader::ReadTable(TableInfo* t) {
  std::map<uint16_t, std::string> parts;
  size_t total = 0;
  Status s = Scan(TablePrefix(t->number, rec::kDefinition), [&](std::string_view r, uint16_t kl) {
    if (kl != 7) return Status::Corruption(TableText(t->number) + "malformed definition record");
    total += r.size() - 7;
    if (total > kMaxDefinitionBytes)
      return Status::Corruption(TableText(t->number) + "definition too large");
    parts.emplace(LoadU16LE(r, 5), std::string(r.substr(7)));
    return Status::Ok();
  });
  if (!s.ok()) return s;
  if (parts.empty() || parts.rbegin()->first != parts.size() - 1)
    return Status::Corruption(TableText(t->number) + "definition missing or incomplete");
  std::string joined;
  for (auto& [part, bytes] : parts) joined += bytes;
  auto def = ParseDefinition(joined);
  if (!def.ok()) return Status::Corruption(TableText(t->number) + def.status().message());
  t->definition = std::move(*def);
  s = Scan(TablePrefix(t->number, rec::kMeta), [&](std::string_view r, uint16_t kl) {
    if (kl != 6 || r.size() < 10)
      return Status::Corruption(TableText(t->number) + "malformed counter record");
    t->counters[Byte(r, 5)] = {LoadU32LE(r, 6), std::string(r.substr(10))};
    return Status::Ok();
  });
  if (!s.ok()) return s;
  return Scan(TablePrefix(t->number, rec::kLocale), [&](std::string_view r, uint16_t kl) {
    if (kl != 6 || t->locale) return Status::Ok();
    t->locale.emplace(r.substr(6));
    if (auto cases = CaseTable::FromLocaleBody(*t->locale)) t->cases = *cases;
    return Status::Ok();
  });
}

// ---- Cursor ---------------------------------------------------------------------------------

std::string_view Cursor::record() const { return path_.back().page->record(path_.back().index); }
std::string_view Cursor::key() const { return path_.back().page->key(path_.back().index); }
size_t Cursor::record_length() const {
  return path_.back().page->length(path_.back().index);
}

void Cursor::Seek(std::string_view key) {
  // Lookups in key order mostly stay in the current leaf: no descent needed then.
  if (Valid()) {
    const Page& leaf = *path_.back().page;
    if (leaf.key(0) <= key && key <= leaf.key(leaf.size() - 1)) {
      path_.back().index = leaf.LowerBound(key);
      return;
    }
  }
  path_.clear();
  status_ = Descend(reader_->header().root, -1, key, false);
  if (status_.ok() && path_.back().index >= path_.back().page->size()) status_ = AdvanceLeaf();
  if (!status_.ok()) path_.clear();
}

void Cursor::Next() {
  if (!Valid()) return;
  if (++path_.back().index < path_.back().page->size()) return;
  status_ = AdvanceLeaf();
  if (!status_.ok()) path_.clear();
}

Status Cursor::Descend(uint32_t ref, int level, std::string_view key, bool leftmost) {
  for (;;) {
    auto page = reader_->LoadPage(ref, head_limit_);
    if (!page.ok()) return page.status();
    const Page& p = **page;
    if (level >= 0 && p.header().level != level)
      return Status::Corruption("page " + std::to_string(ref) + ": not at its level in the tree");
    if (Status s = CheckBounds(ref, p); !s.ok()) return s;
    size_t index =
        p.is_leaf() ? (leftmost ? 0 : p.LowerBound(key)) : (leftmost ? 0 : p.LastNotAbove(key));
    path_.push_back({*page, index});
    if (p.is_leaf()) return Status::Ok();
    ref = p.children()[index];
    level = p.header().level - 1;
  }
}

// A page entered from an internal page keeps its keys between that page's key for it and
// the next key on the path up. A damaged key prefix moves a whole leaf's keys outside, and
// a walk over one key range would otherwise end there quietly, as if the rows were all.
Status Cursor::CheckBounds(uint32_t ref, const Page& child) const {
  if (path_.empty() || child.size() == 0) return Status::Ok();
  const Frame& parent = path_.back();
  bool inside = child.key(0) >= parent.page->key(parent.index);
  for (auto f = path_.rbegin(); inside && f != path_.rend(); ++f) {
    if (f->index + 1 < f->page->children().size()) {
      inside = child.key(child.size() - 1) < f->page->key(f->index + 1);
      break;
    }
  }
  if (inside) return Status::Ok();
  return Status::Corruption("page " + std::to_string(ref) + ": keys outside its parent's range");
}

Status Cursor::AdvanceLeaf() {
  // Keys must keep rising from leaf to leaf; a page met twice (a cycle) fails this test.
  std::string last(path_.back().page->key(path_.back().page->size() - 1));
  path_.pop_back();
  while (!path_.empty()) {
    Frame& f = path_.back();
    if (f.index + 1 < f.page->children().size()) {
      ++f.index;
      if (Status s = Descend(f.page->children()[f.index], f.page->header().level - 1, {}, true);
          !s.ok())
        return s;
      if (path_.back().page->key(0) <= last) return Status::Corruption("pages out of key order");
      return Status::Ok();
    }
    path_.pop_back();
  }
  return Status::Ok();
}

}  // namespace eracuni::tps
