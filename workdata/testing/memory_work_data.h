// MemoryWorkData: work data held in memory, for the tests of every module that reads it.
//
// Build the records with the Add* calls (stored in the order given, as a producer might
// write them), then Open() gives WorkFiles over a memory store whose walks return them in
// key order, exactly as the TopSpeed store would. Texts are windows-1250 bytes. The
// settings passed to Open() must outlive the WorkFiles (they read their paths from it);
// driver() scripts faults and counts opens (workdata/testing/memory_table_driver.h).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "framework/error_manager.h"
#include "settings/settings.h"
#include "workdata/record_buffer.h"
#include "workdata/testing/memory_table_driver.h"
#include "workdata/work_files.h"

namespace eracuni::workdata::testing {

class MemoryTableDriver;

class MemoryWorkData {
 public:
  MemoryWorkData();
  ~MemoryWorkData();

  // A header with the identifier set and every other field blank; fill it through the
  // returned buffer (valid until the next Add* call).
  RecordBuffer& AddHeader(uint32_t ident);
  RecordBuffer& AddLine(uint32_t ident, uint32_t line_number);
  RecordBuffer& AddAttachment(uint32_t ident, uint16_t seq, const std::string& name,
                              const std::string& folder, const std::string& format,
                              const std::string& description = {});

  // The folder of the memory paths that Store() puts into the settings.
  static constexpr const char* kFolder = "/memory/";

  // Puts the records added so far into the memory store and their paths into `settings`
  // (POTDOERACUNOV and the three file paths), without opening anything.
  void Store(settings::Settings& settings);
  // Store(), then work files over it, already opened with OpenAll() (a later OpenAll() by
  // the code under test does nothing).
  std::unique_ptr<WorkFiles> Open(settings::Settings& settings, ErrorManager& errors);

  MemoryTableDriver& driver() { return *driver_; }

  // The stored bytes of the records added so far, in the order given (for tests that write
  // them into real TopSpeed files).
  std::vector<std::string> HeaderRecords() const;
  std::vector<std::string> LineRecords() const;
  std::vector<std::string> AttachmentRecords() const;

 private:
  std::vector<RecordBuffer> headers_, lines_, attachments_;
  std::unique_ptr<MemoryTableDriver> driver_;
};

}  // namespace eracuni::workdata::testing
