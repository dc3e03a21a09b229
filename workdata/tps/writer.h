// Writer: builds a whole TopSpeed file from its tables, the way the Clarion driver lays
// one out when it writes a fresh file.
//
// Each table becomes its records (index entries, rows, counters, definition parts, case
// table, name); all records of the file go into one tree of leaves, packed in key order,
// under internal pages; pages are placed in the zone of their size class. The caller owns
// the row images that a TableContent refers to and keeps them alive while writing.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "framework/platform.h"
#include "framework/status.h"
#include "workdata/tps/definition.h"
#include "workdata/tps/key_encoding.h"

namespace eracuni::tps {

struct RowRef {
  uint32_t number;
  std::string_view image;  // exactly definition.record_length bytes
};

// A record kept as it is: its full bytes and the length of its key part.
struct RawRecord {
  std::string bytes;
  uint16_t key_length = 0;
};

struct TableContent {
  uint32_t number = 1;
  std::string name = "UNNAMED";  // "" writes no table-name record
  TableDefinition definition;
  std::vector<RowRef> rows;  // any order; the index orders them
  // The case table for NOCASE keys, written as the table's 0xFB record when set.
  std::optional<std::string> locale;
  // The bytes after each counter's count (four zeros when absent), by key number or 0xF3.
  std::map<uint8_t, std::string> counter_tails;
  // Index entries kept as they are, by key number, for keys whose component types have
  // no known encoding.
  std::map<size_t, std::vector<RawRecord>> stored_index;
  std::vector<RawRecord> extra;  // memo chunks and records of other types, as they are
};

struct FileContent {
  uint32_t last_issued = 0;  // raised to the highest number in use when lower
  uint32_t changes = 3;
  std::vector<TableContent> tables;
};

// The records of one table, each with its key part, in no particular order. A key entry
// is left out for a row whose OPT key is null.
Result<std::vector<RawRecord>> TableRecords(const TableContent& table);

// The whole file of these records (all tables', any order); the empty first record is
// added. Two records with the same key part are InvalidArgument.
Result<std::string> BuildFile(uint32_t last_issued, uint32_t changes,
                              std::vector<RawRecord> records);
Result<std::string> BuildFile(const FileContent& content);

// Writes `bytes` under a temporary name beside `path` and renames it into place.
Status WriteFileReplacing(FileSystem& files, const std::string& path, std::string_view bytes);

}  // namespace eracuni::tps
