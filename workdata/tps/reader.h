// Reader: any TopSpeed file, read page by page through a small cache and two 64 KiB
// read-ahead windows.
//
// Opening reads the file header and finds the tables (their numbers, names, definitions,
// counters and case tables) with a few descents of the page tree; rows and index entries
// are read on demand through a Cursor, which walks the tree's leaves in key order, one
// leaf in memory at a time. The Reader owns its RandomAccessFile; Cursors borrow the
// Reader and must not outlive it. Every malformed input is a Corruption status.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "framework/platform.h"
#include "framework/status.h"
#include "workdata/tps/definition.h"
#include "workdata/tps/key_encoding.h"
#include "workdata/tps/page.h"

namespace eracuni::tps {

// Record types: byte 4 of a table's records (index entries use the key number).
namespace rec {
inline constexpr uint8_t kData = 0xF3;
inline constexpr uint8_t kMeta = 0xF6;
inline constexpr uint8_t kDefinition = 0xFA;
inline constexpr uint8_t kLocale = 0xFB;
inline constexpr uint8_t kMemo = 0xFC;
inline constexpr uint8_t kName = 0xFE;  // the first byte of a table-name record
}  // namespace rec

inline constexpr size_t kZones = 60;

struct FileHeader {
  uint32_t file_length = 0;
  uint32_t allocated_length = 0;
  uint32_t last_issued = 0;  // the highest table or record number handed out
  uint32_t changes = 0;      // the driver's change counter
  uint32_t root = 0;         // page reference of the tree's top page
  std::array<uint32_t, kZones> zone_start{};
  std::array<uint32_t, kZones> zone_end{};
};

Result<FileHeader> ParseFileHeader(std::string_view bytes, uint64_t file_size);

// A META record: how many entries one key (or, for about = 0xF3, the data) holds.
struct Counter {
  uint32_t count = 0;
  std::string tail;  // the bytes after the count (four zeros in every file seen)
};

struct TableInfo {
  uint32_t number = 0;
  std::string name;  // from the table-name record; "" when it has none
  TableDefinition definition;
  std::map<uint8_t, Counter> counters;  // by key number, or rec::kData
  std::optional<std::string> locale;    // the 0xFB record after its key part
  CaseTable cases = CaseTable::Ascii();
};

// The key-part prefix of a table's records of one type: table number (BE), type.
std::string TablePrefix(uint32_t table, uint8_t type);
// The key part of a data record.
std::string DataKey(uint32_t table, uint32_t record_number);

class Cursor;

class Reader {
 public:
  static Result<std::unique_ptr<Reader>> Open(std::unique_ptr<RandomAccessFile> file);
  // Over bytes held in memory (the dump tool, tests).
  static Result<std::unique_ptr<Reader>> OpenBytes(std::string bytes);

  const FileHeader& header() const { return header_; }
  const std::vector<TableInfo>& tables() const { return tables_; }
  const TableInfo* FindTable(uint32_t number) const;

  // The parsed page at `ref`, from the cache when it was read lately; a leaf with its
  // records' heads only when head_limit > 0 (see Page::Parse).
  Result<std::shared_ptr<const Page>> LoadPage(uint32_t ref, size_t head_limit = 0);
  uint64_t file_size() const { return file_->Size(); }

  // Calls `visit` with each record whose key part begins with `prefix`, in key order,
  // until it returns a non-ok status (which is returned).
  using Visitor = std::function<Status(std::string_view record, uint16_t key_length)>;
  Status Scan(std::string_view prefix, const Visitor& visit);
  // Calls `visit` with each row of `table` in record-number order.
  Status ScanRows(const TableInfo& table,
                  const std::function<Status(uint32_t number, std::string_view row)>& visit);
  // The row with record number `number`; NotFound when there is none.
  Status FindRow(const TableInfo& table, uint32_t number, Cursor& cursor, std::string_view* row);

 private:
  explicit Reader(std::unique_ptr<RandomAccessFile> file) : file_(std::move(file)) {}
  Status FindTables();
  Status ReadTable(TableInfo* t);
  // Bytes [offset, offset + n) of the file through a window of `ahead` bytes read at once;
  // fewer when the file ends first. Valid until the next call.
  Result<std::string_view> ReadAt(uint64_t offset, size_t n, size_t ahead);

  // Two windows: a walk of the index beside the rows reads two places of the file in turn.
  struct Window {
    std::string bytes;
    uint64_t offset = 0;
    uint64_t used = 0;
    bool Holds(uint64_t at, size_t n) const { return at >= offset && at + n <= offset + bytes.size(); }
  };
  struct CacheEntry {
    uint32_t ref;
    uint64_t used;
    std::shared_ptr<const Page> page;
  };
  std::unique_ptr<RandomAccessFile> file_;
  FileHeader header_;
  std::vector<TableInfo> tables_;
  std::vector<CacheEntry> cache_;
  uint64_t clock_ = 0;
  std::array<Window, 2> windows_;
};

// A position in the tree's records, in key order. After Seek or Next, check status() and
// Valid(); a Cursor that met an error stays invalid.
class Cursor {
 public:
  // With head_limit > 0, records are their heads only (see Page::Parse): record() may be
  // shorter than record_length().
  explicit Cursor(Reader& reader, size_t head_limit = 0)
      : reader_(&reader), head_limit_(head_limit) {}

  // Positions on the first record whose key part is not below `key`.
  void Seek(std::string_view key);
  void Next();
  bool Valid() const { return status_.ok() && !path_.empty(); }
  const Status& status() const { return status_; }
  std::string_view record() const;
  std::string_view key() const;
  size_t record_length() const;

 private:
  struct Frame {
    std::shared_ptr<const Page> page;
    size_t index;
  };
  Status Descend(uint32_t ref, int expected_level, std::string_view key, bool leftmost);
  Status CheckBounds(uint32_t ref, const Page& child) const;
  Status AdvanceLeaf();

  Reader* reader_;
  size_t head_limit_;
  std::vector<Frame> path_;
  Status status_;
};

}  // namespace eracuni::tps
