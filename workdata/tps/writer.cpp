#include "workdata/tps/writer.h"

#include <algorithm>
#include <array>

#include "workdata/tps/coding.h"
#include "workdata/tps/page.h"
#include "workdata/tps/reader.h"

namespace eracuni::tps {
namespace {

// Clarion's own split rule is not known; files with leaves of about this much unpacked
// stream were all read by it, and any valid tree is believed to be accepted.
constexpr size_t kLeafStreamLimit = 3072;
constexpr size_t kInternalLimit = 3072;
constexpr size_t kDefinitionPart = 512;
constexpr char kSlackFill = '\xB0';  // what the driver leaves in unused bytes of a fresh file
constexpr std::string_view kCounterTail("\0\0\0\0", 4);

std::string_view KeyOf(const RawRecord& r) {
  return std::string_view(r.bytes).substr(0, r.key_length);
}

RawRecord Make(std::string bytes, size_t key_length) {
  return {std::move(bytes), static_cast<uint16_t>(key_length)};
}

Status AddIndex(const TableContent& t, size_t k, std::vector<RawRecord>* out, uint32_t* count) {
  const StoredKey& key = t.definition.keys[k];
  if (auto stored = t.stored_index.find(k); stored != t.stored_index.end()) {
    out->insert(out->end(), stored->second.begin(), stored->second.end());
    *count = static_cast<uint32_t>(stored->second.size());
    return Status::Ok();
  }
  CaseTable cases = CaseTable::Ascii();
  if (t.locale)
    if (auto c = CaseTable::FromLocaleBody(*t.locale)) cases = *c;
  *count = 0;
  for (const RowRef& row : t.rows) {
    if (key.opt() && IsNullKey(t.definition, key, row.image)) continue;
    auto value = EncodeKeyValue(t.definition, key, row.image, cases);
    if (!value.ok()) return value.status();
    std::string bytes = TablePrefix(t.number, static_cast<uint8_t>(k)) + *value;
    size_t key_length = bytes.size() + (key.dup() ? 4 : 0);
    PutU32BE(&bytes, row.number);
    out->push_back(Make(std::move(bytes), key_length));
    ++*count;
  }
  return Status::Ok();
}

RawRecord CounterRecord(const TableContent& t, uint8_t about, uint32_t count) {
  std::string bytes = TablePrefix(t.number, rec::kMeta);
  PutU8(&bytes, about);
  PutU32LE(&bytes, count);
  auto tail = t.counter_tails.find(about);
  bytes += tail != t.counter_tails.end() ? std::string_view(tail->second) : kCounterTail;
  return Make(std::move(bytes), 6);
}

// One page per PageBuilder, with the pages below it (for internal pages).
struct Built {
  PageImage image;
  std::vector<size_t> children;
  uint32_t ref = 0;
};

Status Finish(PageBuilder& b, std::vector<size_t> children, std::vector<Built>* pages) {
  auto img = FinishPage(b);
  if (!img.ok()) return img.status();
  pages->push_back({std::move(*img), std::move(children), 0});
  b = PageBuilder(b.level());
  return Status::Ok();
}

Status BuildLeaves(const std::vector<RawRecord>& records, std::vector<Built>* pages) {
  PageBuilder leaf(0);
  leaf.Add({}, 0);  // the empty record: the tree's smallest key
  for (const RawRecord& r : records) {
    size_t grow = leaf.EncodedSize(r.bytes, r.key_length);
    if (leaf.count() > 0 && (leaf.stream().size() + grow > kLeafStreamLimit ||
                             leaf.expanded_size() + 5 + r.bytes.size() > 0xFFFF))
      if (Status s = Finish(leaf, {}, pages); !s.ok()) return s;
    leaf.Add(r.bytes, r.key_length);
  }
  return Finish(leaf, {}, pages);
}

// Adds the internal levels above `level` (page indexes) until one page is left: the root.
Result<size_t> BuildLevels(std::vector<size_t> level, std::vector<Built>* pages) {
  for (uint8_t height = 1; level.size() > 1; ++height) {
    std::vector<size_t> parents, children;
    PageBuilder node(height);
    for (size_t child : level) {
      const std::string& key = (*pages)[child].image.first_key;
      size_t grow = 4 + node.EncodedSize(key, static_cast<uint16_t>(key.size()));
      if (node.count() > 0 && (node.unpacked_size() + grow > kInternalLimit ||
                               node.expanded_size() + 9 + key.size() > 0xFFFF)) {
        if (Status s = Finish(node, std::move(children), pages); !s.ok()) return s;
        parents.push_back(pages->size() - 1);
        children.clear();
      }
      node.Add(key, static_cast<uint16_t>(key.size()));
      children.push_back(child);
    }
    if (Status s = Finish(node, std::move(children), pages); !s.ok()) return s;
    parents.push_back(pages->size() - 1);
    level = std::move(parents);
  }
  return level.front();
}

// Places the pages zone by zone (each zone holds the pages of one size class) and returns
// the units used; fills the zone table.
uint32_t PlacePages(std::vector<Built>& pages, std::array<uint32_t, kZones>* start,
                    std::array<uint32_t, kZones>* end) {
  uint32_t cursor = 0;
  (*start)[0] = (*end)[0] = 0;
  for (size_t units = 1; units < kZones; ++units) {
    (*start)[units] = cursor;
    for (Built& p : pages) {
      if (p.image.units() != units) continue;
      p.ref = cursor;
      cursor += static_cast<uint32_t>(units);
    }
    (*end)[units] = cursor;
  }
  return cursor;
}

std::string FileHeaderBytes(uint32_t length, uint32_t last_issued, uint32_t changes, uint32_t root,
                            const std::array<uint32_t, kZones>& start,
                            const std::array<uint32_t, kZones>& end) {
  std::string h;
  PutU32LE(&h, 0);
  PutU16LE(&h, kFileHeaderSize);
  PutU32LE(&h, length);
  PutU32LE(&h, length);
  h += "tOpS";
  PutU16LE(&h, 0);
  PutU32BE(&h, last_issued);
  PutU32LE(&h, changes);
  PutU32LE(&h, root);
  for (uint32_t v : start) PutU32LE(&h, v);
  for (uint32_t v : end) PutU32LE(&h, v);
  return h;
}

// The highest table or record number the records use.
uint32_t HighestNumber(const std::vector<RawRecord>& records) {
  uint32_t high = 0;
  for (const RawRecord& r : records) {
    std::string_view b = r.bytes;
    if (b.size() >= 4 && Byte(b, 0) != rec::kName) high = std::max(high, LoadU32BE(b, 0));
    if (b.size() >= 9 && (Byte(b, 4) == rec::kData || Byte(b, 4) == rec::kMemo))
      high = std::max(high, LoadU32BE(b, 5));
  }
  return high;
}

}  // namespace

Result<std::vector<RawRecord>> TableRecords(const TableContent& t) {
  const TableDefinition& def = t.definition;
  // Emitted in key order (entries, rows, counters, definition, case table, name), so that
  // a one-table file needs no sorting.
  std::vector<RawRecord> out;
  out.reserve(t.rows.size() * (1 + def.keys.size()) + 16);
  std::vector<uint32_t> counts(def.keys.size());
  for (size_t k = 0; k < def.keys.size(); ++k) {
    size_t first = out.size();
    if (Status s = AddIndex(t, k, &out, &counts[k]); !s.ok()) return s;
    std::sort(out.begin() + first, out.end(),
              [](const RawRecord& a, const RawRecord& b) { return KeyOf(a) < KeyOf(b); });
  }
  size_t first_row = out.size();
  for (const RowRef& row : t.rows) {
    if (row.image.size() != def.record_length)
      return Status::InvalidArgument("row " + std::to_string(row.number) + " is not " +
                                     std::to_string(def.record_length) + " bytes");
    out.push_back(Make(DataKey(t.number, row.number) + std::string(row.image), 9));
  }
  auto by_key = [](const RawRecord& a, const RawRecord& b) { return KeyOf(a) < KeyOf(b); };
  if (!std::is_sorted(out.begin() + first_row, out.end(), by_key))
    std::sort(out.begin() + first_row, out.end(), by_key);
  for (size_t k = 0; k < def.keys.size(); ++k)
    out.push_back(CounterRecord(t, static_cast<uint8_t>(k), counts[k]));
  out.push_back(CounterRecord(t, rec::kData, static_cast<uint32_t>(t.rows.size())));
  std::string encoded = EncodeDefinition(def);
  for (size_t part = 0; part * kDefinitionPart < encoded.size(); ++part) {
    std::string bytes = TablePrefix(t.number, rec::kDefinition);
    PutU16LE(&bytes, static_cast<uint16_t>(part));
    bytes += encoded.substr(part * kDefinitionPart, kDefinitionPart);
    out.push_back(Make(std::move(bytes), 7));
  }
  if (t.locale) {
    std::string bytes = TablePrefix(t.number, rec::kLocale);
    PutU8(&bytes, 0x01);
    out.push_back(Make(bytes + *t.locale, 6));
  }
  out.insert(out.end(), t.extra.begin(), t.extra.end());
  if (!t.name.empty()) {
    std::string bytes = std::string(1, static_cast<char>(rec::kName)) + t.name;
    size_t key_length = bytes.size();
    PutU32BE(&bytes, t.number);
    out.push_back(Make(std::move(bytes), key_length));
  }
  return out;
}

Result<std::string> BuildFile(uint32_t last_issued, uint32_t changes,
                              std::vector<RawRecord> records) {
  for (const RawRecord& r : records)
    if (r.key_length == 0 || r.key_length > r.bytes.size() || r.bytes.size() > 0xFFFF)
      return Status::InvalidArgument("a record's key part is empty or longer than the record");
  auto by_key = [](const RawRecord& a, const RawRecord& b) { return KeyOf(a) < KeyOf(b); };
  if (!std::is_sorted(records.begin(), records.end(), by_key))
    std::sort(records.begin(), records.end(), by_key);
  for (size_t i = 1; i < records.size(); ++i)
    if (KeyOf(records[i]) == KeyOf(records[i - 1]))
      return Status::InvalidArgument(
          "two records with the same key (a duplicate key value or record number)");
  std::vector<Built> pages;
  if (Status s = BuildLeaves(records, &pages); !s.ok()) return s;
  std::vector<size_t> leaves(pages.size());
  for (size_t i = 0; i < leaves.size(); ++i) leaves[i] = i;
  auto root = BuildLevels(std::move(leaves), &pages);
  if (!root.ok()) return root.status();
  std::array<uint32_t, kZones> start{}, end{};
  uint32_t units = PlacePages(pages, &start, &end);
  uint32_t length = static_cast<uint32_t>(kFileHeaderSize + uint64_t{units} * kUnit);
  std::string file = FileHeaderBytes(length, std::max(last_issued, HighestNumber(records)), changes,
                                     pages[*root].ref, start, end);
  file.resize(length, kSlackFill);
  for (Built& p : pages) {
    std::vector<uint32_t> refs;
    for (size_t c : p.children) refs.push_back(pages[c].ref);
    PlacePage(p.image, p.ref, refs);
    file.replace(PageOffset(p.ref), p.image.bytes.size(), p.image.bytes);
  }
  return file;
}

Result<std::string> BuildFile(const FileContent& content) {
  std::vector<RawRecord> all;
  for (const TableContent& t : content.tables) {
    auto records = TableRecords(t);
    if (!records.ok()) return records.status();
    all.insert(all.end(), std::make_move_iterator(records->begin()),
               std::make_move_iterator(records->end()));
  }
  return BuildFile(content.last_issued, content.changes, std::move(all));
}

Status WriteFileReplacing(FileSystem& files, const std::string& path, std::string_view bytes) {
  std::string temp = path + ".tmp";
  auto out = files.NewWritableFile(temp);
  if (!out.ok()) return out.status();
  Status s = (*out)->Append(bytes);
  Status closed = (*out)->Close();
  if (s.ok()) s = closed;
  if (s.ok()) s = files.RenameFile(temp, path);
  if (!s.ok()) files.DeleteFile(temp);
  return s;
}

}  // namespace eracuni::tps
