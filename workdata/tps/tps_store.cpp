#include "workdata/tps/tps_store.h"

#include <algorithm>
#include <cstring>
#include <mutex>
#include <set>

#include "workdata/tps/coding.h"
#include "workdata/tps/reader.h"
#include "workdata/tps/writer.h"

namespace eracuni::tps {
namespace {

using workdata::OpenOutcome;
using workdata::OpenResult;
using workdata::RecordBuffer;

constexpr uint32_t kFirstRecordNumber = 2;

// A Clarion-written fresh file shows 3 changes when empty and 5 after one writing session.
constexpr uint32_t kChangesEmpty = 3;
constexpr uint32_t kChangesWritten = 5;

OpenResult Failure(OpenOutcome outcome, int code, std::string text, std::string driver_code,
                   std::string driver_text) {
  OpenResult r;
  r.outcome = outcome;
  r.error_code = code;
  r.error_text = std::move(text);
  r.driver_code = std::move(driver_code);
  r.driver_text = std::move(driver_text);
  return r;
}

OpenResult FromStatus(const Status& s) {
  if (s.Is(Status::Code::kNotFound))
    return Failure(OpenOutcome::kNotFound, kErrFileNotFound, "File Not Found",
                   std::to_string(s.error_code()), s.message());
  if (s.Is(Status::Code::kAccessDenied))
    return Failure(OpenOutcome::kAccessDenied, kErrAccessDenied, "Access Denied",
                   std::to_string(s.error_code()), s.message());
  if (s.Is(Status::Code::kMismatch))
    return Failure(OpenOutcome::kInvalidDeclaration, kErrInvalidDeclaration,
                   "Invalid Record Declaration", std::to_string(kErrInvalidDeclaration),
                   s.message());
  if (s.Is(Status::Code::kCorruption) || s.Is(Status::Code::kUnsupported))
    return Failure(OpenOutcome::kOtherError, kErrFileSystem, "File System Error",
                   std::to_string(kErrInvalidDataFile), s.message());
  return Failure(OpenOutcome::kOtherError, kErrFileSystem, "File System Error",
                 std::to_string(s.error_code()), s.message());
}

// The table a work file keeps its records in: the unnamed one, else the first.
Result<const TableInfo*> WorkTable(const Reader& reader) {
  for (const TableInfo& t : reader.tables())
    if (t.name == "UNNAMED") return &t;
  if (reader.tables().empty()) return Status::Corruption("the file holds no table");
  return &reader.tables().front();
}

size_t KeyValueLength(const TableDefinition& def, const StoredKey& key) {
  size_t n = 0;
  for (const KeyComponent& c : key.components) n += def.fields[c.field].length;
  return n;
}

// The end of the last key field in a row.
size_t KeyFieldsEnd(const TableDefinition& def, const StoredKey& key) {
  size_t end = 0;
  for (const KeyComponent& c : key.components)
    if (c.field < def.fields.size())
      end = std::max<size_t>(end, size_t{def.fields[c.field].offset} + def.fields[c.field].length);
  return end;
}

// How a walk finds its rows in key order.
struct KeyOrder {
  // From the index, plus the rows an OPT key leaves out (their key is null, so they all
  // share the one smallest value `null_value` and come in record-number order).
  std::vector<uint32_t> unindexed_null_rows;
  std::string null_value;
  // Or, after RebuildKeys, from memory: fixed-size entries of key value and record
  // number (big-endian), sorted.
  bool in_memory = false;
  std::string entries;
  size_t stride = 0;
  // Or, when the index names the rows in record-number order: the rows themselves, read
  // in turn; the index only finds where a walk starts.
  bool rows_in_key_order = false;
};

// A key value in 64 bits: exact for values of up to eight bytes (every work file's key),
// a hash of longer ones.
uint64_t Digest(std::string_view value) {
  uint64_t d = 0;
  if (value.size() <= 8) {
    for (char c : value) d = (d << 8) | static_cast<uint8_t>(c);
    return d;
  }
  d = 14695981039346656037ull;
  for (char c : value) d = (d ^ static_cast<uint8_t>(c)) * 1099511628211ull;
  return d;
}

// What one pass over the rows found: each row's number and key digest, in record-number
// order, and the rows an OPT key leaves out.
struct RowSummary {
  struct Row {
    uint32_t number;
    bool null;
    uint64_t digest;
  };
  std::vector<Row> rows;
  std::vector<uint32_t> null_rows;
  std::string null_value;
};

// Reads every row once; a failure here is damage to the rows themselves.
Status ReadRows(Reader& reader, const TableInfo& t, RowSummary* summary) {
  const TableDefinition& def = t.definition;
  const StoredKey& key = def.keys[0];
  return reader.ScanRows(t, [&](uint32_t number, std::string_view row) {
    auto v = EncodeKeyValue(def, key, row, t.cases);
    if (!v.ok()) return v.status();
    bool null = key.opt() && IsNullKey(def, key, row);
    summary->rows.push_back({number, null, Digest(*v)});
    if (null) {
      if (summary->null_rows.empty()) summary->null_value = *v;
      summary->null_rows.push_back(number);
    }
    return Status::Ok();
  });
}

// Checks that the index holds exactly one entry per row, each naming its row with that
// row's key value. Entries rise strictly, so two entries for one row would need two
// values: one of them is then wrong.
Status CheckIndex(Reader& reader, const TableInfo& t, RowSummary& summary, KeyOrder* order) {
  const TableDefinition& def = t.definition;
  const StoredKey& key = def.keys[0];
  size_t value_length = KeyValueLength(def, key);
  uint64_t entries = 0, null_entries = 0;
  Status s = reader.Scan(TablePrefix(t.number, 0), [&](std::string_view e, uint16_t key_length) {
    if (e.size() != 9 + value_length || key_length != (key.dup() ? e.size() : 5 + value_length))
      return Status::Corruption("malformed index entry");
    uint32_t number = LoadU32BE(e, e.size() - 4);
    auto row = std::lower_bound(summary.rows.begin(), summary.rows.end(), number,
                                [](const RowSummary::Row& r, uint32_t n) { return r.number < n; });
    if (row == summary.rows.end() || row->number != number)
      return Status::Corruption("index entry for missing row " + std::to_string(number));
    if (row->digest != Digest(e.substr(5, value_length)))
      return Status::Corruption("index entry does not match row " + std::to_string(number));
    ++entries;
    if (row->null) ++null_entries;
    return Status::Ok();
  });
  if (!s.ok()) return s;
  uint64_t nulls = summary.null_rows.size();
  if (entries - null_entries != summary.rows.size() - nulls ||
      (null_entries != 0 && null_entries != nulls))
    return Status::Corruption("the index does not hold every row");
  if (null_entries == 0) {
    order->unindexed_null_rows = std::move(summary.null_rows);
    order->null_value = std::move(summary.null_value);
  }
  return Status::Ok();
}

// One ordered pass over the index and the rows together: true when entry i names row i
// with that row's key value, for every i, and both end together. The full check would
// then pass too. Anything else (damage included) answers false and is left to that check,
// which reports it.
bool IndexFollowsRows(Reader& reader, const TableInfo& t) {
  const TableDefinition& def = t.definition;
  const StoredKey& key = def.keys[0];
  size_t value_length = KeyValueLength(def, key);
  size_t entry_key_length = key.dup() ? 9 + value_length : 5 + value_length;
  std::string index_prefix = TablePrefix(t.number, 0);
  std::string row_prefix = TablePrefix(t.number, rec::kData);
  // The rows' key fields are all this pass reads of them: it keeps their heads only.
  Cursor index(reader), rows(reader, 9 + KeyFieldsEnd(def, key));
  index.Seek(index_prefix);
  rows.Seek(row_prefix);
  for (;; index.Next(), rows.Next()) {
    if (!index.status().ok() || !rows.status().ok()) return false;
    bool entry = index.Valid() && index.key().starts_with(index_prefix);
    bool row = rows.Valid() && rows.key().starts_with(row_prefix);
    if (!entry || !row) return entry == row;
    std::string_view e = index.record(), r = rows.record();
    if (e.size() != 9 + value_length || index.key().size() != entry_key_length) return false;
    if (rows.key().size() != 9 || rows.record_length() != 9 + size_t{def.record_length})
      return false;
    if (LoadU32BE(e, e.size() - 4) != LoadU32BE(r, 5)) return false;
    auto v = EncodeKeyValue(def, key, r.substr(9), t.cases);
    if (!v.ok() || *v != e.substr(5, value_length)) return false;
  }
}

// The key order of every row, sorted in memory: the index is not used.
Status SortRows(Reader& reader, const TableInfo& t, KeyOrder* order) {
  const StoredKey& key = t.definition.keys[0];
  order->in_memory = true;
  order->stride = KeyValueLength(t.definition, key) + 4;
  std::string unsorted;
  Status s = reader.ScanRows(t, [&](uint32_t number, std::string_view row) {
    auto v = EncodeKeyValue(t.definition, key, row, t.cases);
    if (!v.ok()) return v.status();
    unsorted += *v;
    PutU32BE(&unsorted, number);
    return Status::Ok();
  });
  if (!s.ok()) return s;
  size_t n = unsorted.size() / order->stride, stride = order->stride;
  std::vector<uint32_t> at(n);
  for (size_t i = 0; i < n; ++i) at[i] = static_cast<uint32_t>(i);
  std::sort(at.begin(), at.end(), [&](uint32_t a, uint32_t b) {
    return std::memcmp(unsorted.data() + a * stride, unsorted.data() + b * stride, stride) < 0;
  });
  order->entries.reserve(unsorted.size());
  for (uint32_t i : at) order->entries.append(unsorted, i * stride, stride);
  return Status::Ok();
}

class TpsTable : public workdata::Table {
 public:
  TpsTable(std::unique_ptr<Reader> reader, const TableInfo& table, KeyOrder order)
      : reader_(std::move(reader)),
        table_(table),
        order_(std::move(order)),
        index_(*reader_),
        rows_(*reader_) {}

  void Set(const RecordBuffer& key_source) override {
    done_ = true;
    auto value = EncodeKeyValue(table_.definition, table_.definition.keys[0], key_source.bytes(),
                                table_.cases);
    if (!value.ok()) return;
    done_ = false;
    if (order_.in_memory) {
      position_ = LowerBound(*value);
      return;
    }
    next_null_ = order_.null_value >= *value ? 0 : order_.unindexed_null_rows.size();
    index_.Seek(TablePrefix(table_.number, 0) + *value);
    if (order_.rows_in_key_order) StartRows();
  }

  bool Next(RecordBuffer& into) override {
    if (done_) return false;
    if (order_.rows_in_key_order) return NextRow(into);
    uint32_t number = 0;
    if (!NextNumber(&number)) return done_ = true, false;
    std::string_view row;
    if (!reader_->FindRow(table_, number, rows_, &row).ok() || !into.Assign(row))
      return done_ = true, false;
    return true;
  }

 private:
  // Puts the row cursor on the row the index entry at hand names.
  void StartRows() {
    std::string prefix = TablePrefix(table_.number, 0);
    if (!index_.Valid() || !index_.key().starts_with(prefix)) {
      done_ = true;
      return;
    }
    std::string_view e = index_.record();
    rows_.Seek(DataKey(table_.number, LoadU32BE(e, e.size() - 4)));
  }

  bool NextRow(RecordBuffer& into) {
    std::string_view prefix = std::string_view(row_prefix_);
    if (!rows_.Valid() || !rows_.key().starts_with(prefix)) return done_ = true, false;
    std::string_view r = rows_.record();
    if (r.size() != 9 + size_t{table_.definition.record_length} || !into.Assign(r.substr(9)))
      return done_ = true, false;
    rows_.Next();
    return true;
  }

  size_t LowerBound(std::string_view value) const {
    size_t lo = 0, hi = order_.entries.size() / order_.stride;
    while (lo < hi) {
      size_t mid = lo + (hi - lo) / 2;
      std::string_view e =
          std::string_view(order_.entries).substr(mid * order_.stride, value.size());
      if (e < value)
        lo = mid + 1;
      else
        hi = mid;
    }
    return lo;
  }

  bool NextNumber(uint32_t* number) {
    if (order_.in_memory) {
      if (position_ >= order_.entries.size() / order_.stride) return false;
      *number = LoadU32BE(order_.entries, (position_++ + 1) * order_.stride - 4);
      return true;
    }
    std::string prefix = TablePrefix(table_.number, 0);
    bool entry = index_.Valid() && index_.key().starts_with(prefix);
    if (next_null_ < order_.unindexed_null_rows.size() &&
        (!entry || index_.record().substr(5, order_.null_value.size()) > order_.null_value)) {
      *number = order_.unindexed_null_rows[next_null_++];
      return true;
    }
    if (!entry) return false;
    std::string_view e = index_.record();
    *number = LoadU32BE(e, e.size() - 4);
    index_.Next();
    return true;
  }

  std::unique_ptr<Reader> reader_;
  const TableInfo& table_;
  KeyOrder order_;
  Cursor index_, rows_;
  std::string row_prefix_ = TablePrefix(table_.number, rec::kData);
  bool done_ = true;
  size_t position_ = 0;
  size_t next_null_ = 0;
};

class TopSpeedDriver : public workdata::TableDriver {
 public:
  explicit TopSpeedDriver(FileSystem& files) : files_(files) {}

  OpenResult Open(const std::string& path, const workdata::Layout& layout,
                  workdata::AccessMode) override {
    // Only ever read: the access mode asks for write access the converter never uses.
    auto file = files_.NewRandomAccessFile(path);
    if (!file.ok()) return FromStatus(file.status());
    auto reader = Reader::Open(std::move(*file));
    if (!reader.ok()) return FromStatus(reader.status());
    auto table = WorkTable(**reader);
    if (!table.ok()) return FromStatus(table.status());
    if (Status s = MatchLayout((*table)->definition, layout); !s.ok()) return FromStatus(s);
    KeyOrder order;
    if (Rebuilt(path)) {
      if (Status s = SortRows(**reader, **table, &order); !s.ok()) return FromStatus(s);
    } else if (IndexFollowsRows(**reader, **table)) {
      order.rows_in_key_order = true;
    } else {
      RowSummary rows;
      if (Status s = ReadRows(**reader, **table, &rows); !s.ok()) return FromStatus(s);
      if (Status s = CheckIndex(**reader, **table, rows, &order); !s.ok())
        return Failure(OpenOutcome::kKeyMustBeRebuilt, kErrKeyMustBeRebuilt,
                       "Key File Must Be Rebuilt", std::to_string(kErrKeyMustBeRebuilt),
                       s.message());
    }
    OpenResult r;
    r.outcome = OpenOutcome::kOk;
    r.table = std::make_unique<TpsTable>(std::move(*reader), **table, std::move(order));
    return r;
  }

  Status Create(const std::string& path, const workdata::Layout& layout) override {
    return WriteTable(files_, path, layout, {});
  }

  Status RebuildKeys(const std::string& path, const workdata::Layout& layout) override {
    auto file = files_.NewRandomAccessFile(path);
    if (!file.ok()) return file.status();
    auto reader = Reader::Open(std::move(*file));
    if (!reader.ok()) return reader.status();
    auto table = WorkTable(**reader);
    if (!table.ok()) return table.status();
    if (Status s = MatchLayout((*table)->definition, layout); !s.ok()) return s;
    KeyOrder order;
    if (Status s = SortRows(**reader, **table, &order); !s.ok()) return s;
    std::lock_guard<std::mutex> lock(mu_);
    rebuilt_.insert(path);
    return Status::Ok();
  }

  void SendOption(std::string_view) override {}  // "Recover=": this store takes no locks

 private:
  bool Rebuilt(const std::string& path) {
    std::lock_guard<std::mutex> lock(mu_);
    return rebuilt_.count(path) > 0;
  }
  FileSystem& files_;
  std::mutex mu_;  // the two windows' threads share one driver
  std::set<std::string> rebuilt_;
};

}  // namespace

std::unique_ptr<workdata::TableDriver> NewTopSpeedDriver(FileSystem& files) {
  return std::make_unique<TopSpeedDriver>(files);
}

Status WriteTable(FileSystem& files, const std::string& path, const workdata::Layout& layout,
                  const std::vector<std::string>& records) {
  FileContent content;
  content.last_issued = static_cast<uint32_t>(records.size()) + kFirstRecordNumber - 1;
  content.changes = records.empty() ? kChangesEmpty : kChangesWritten;
  TableContent& t = content.tables.emplace_back();
  t.definition = DefinitionOf(layout);
  // The A-Z case table of the sample machines; a windows-1250 machine's driver likely writes
  // its own letters, which our numeric keys do not depend on.
  t.locale = CaseTable::Ascii().LocaleBody();
  t.rows.reserve(records.size());
  for (size_t i = 0; i < records.size(); ++i)
    t.rows.push_back({static_cast<uint32_t>(i + kFirstRecordNumber), records[i]});
  auto bytes = BuildFile(content);
  if (!bytes.ok()) return bytes.status();
  return WriteFileReplacing(files, path, *bytes);
}

}  // namespace eracuni::tps
