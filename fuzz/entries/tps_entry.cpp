// Any bytes as a TopSpeed file.
#include <memory>

#include "fuzz/entries/fuzz_entries.h"
#include "fuzz/entries/memory_file_system.h"
#include "workdata/field.h"
#include "workdata/record_buffer.h"
#include "workdata/table_driver.h"
#include "workdata/testing/memory_table_driver.h"
#include "workdata/tps/coding.h"
#include "workdata/tps/reader.h"
#include "workdata/tps/tps_store.h"

namespace eracuni::fuzz {
namespace {

using tps::Cursor;
using tps::Reader;
using tps::TableInfo;

// Every row of every table, and every index entry followed to its row. Errors are fine.
void ReadEverything(std::string_view data) {
  auto reader = Reader::OpenBytes(std::string(data));
  if (!reader.ok()) return;
  Reader& r = **reader;
  for (const TableInfo& t : r.tables()) {
    if (!r.ScanRows(t, [](uint32_t, std::string_view) { return Status::Ok(); }).ok()) continue;
    Cursor rows(r);
    for (size_t k = 0; k < t.definition.keys.size(); ++k) {
      (void)r.Scan(tps::TablePrefix(t.number, static_cast<uint8_t>(k)),
                   [&](std::string_view e, uint16_t) {
                     std::string_view row;
                     if (e.size() < 9) return Status::Ok();
                     Status s = r.FindRow(t, tps::LoadU32BE(e, e.size() - 4), rows, &row);
                     return s.Is(Status::Code::kNotFound) ? Status::Ok() : s;
                   });
    }
  }
}

// Opens the bytes as a work file of `layout` and walks it in key order: the walk must end,
// and the records must come in ascending key order, as the store promises.
std::string WalkAs(std::string_view data, const workdata::Layout& layout) {
  MemoryFileSystem files;
  const std::string path = "/data/work.tps";
  files.files()[path] = std::string(data);
  auto driver = tps::NewTopSpeedDriver(files);
  workdata::OpenResult open = driver->Open(path, layout, workdata::AccessMode{false, true});
  if (open.outcome == workdata::OpenOutcome::kKeyMustBeRebuilt &&
      driver->RebuildKeys(path, layout).ok())
    open = driver->Open(path, layout, workdata::AccessMode{false, true});
  if (open.outcome != workdata::OpenOutcome::kOk) return "";
  if (!open.table) return "open answered ok without a table";
  workdata::RecordBuffer key(layout), row(layout);
  key.Clear();
  open.table->Set(key);
  std::string previous;
  // Every record takes some bytes of the file, so a longer walk repeats itself.
  for (size_t count = 0; open.table->Next(row); ++count) {
    if (count > data.size()) return "the walk of " + std::string(layout.label) + " does not end";
    std::string current(row.bytes());
    if (!previous.empty() && workdata::testing::CompareKeys(layout, previous, current) > 0)
      return "the walk of " + std::string(layout.label) + " is not in key order";
    previous = std::move(current);
  }
  if (files.changed().size() != 0) return "the store wrote to the file system";
  return "";
}

}  // namespace

std::string FuzzTpsReader(std::string_view data) {
  ReadEverything(data);
  for (const workdata::Layout* layout :
       {&workdata::HeaderLayout(), &workdata::LineLayout(), &workdata::AttachmentLayout()}) {
    std::string broken = WalkAs(data, *layout);
    if (!broken.empty()) return broken;
  }
  return "";
}

}  // namespace eracuni::fuzz
