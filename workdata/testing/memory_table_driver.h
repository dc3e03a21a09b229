// MemoryTableDriver: a TableDriver over records held in memory, one list a path.
//
// Records are stored in the order given and read back in the order of the layout's key
// (u32 then u16/u32 components, ascending, unsigned; equal keys keep their stored order),
// as the TopSpeed store returns them. Tests script faults per path: any open outcome for
// the next opens, write access refused, failing creates and rebuilds, broken keys, reads
// that fail part-way; and they inspect what the work-file layer asked for (opens with their
// modes, options sent, creates, rebuilds, tables still open). The driver must outlive the
// tables it hands out.
#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "framework/status.h"
#include "workdata/record_buffer.h"
#include "workdata/table_driver.h"

namespace eracuni::workdata::testing {

using workdata::CompareKeys;

class MemoryTableDriver : public TableDriver {
 public:
  struct OpenCall {
    std::string path;
    AccessMode mode;
  };

  MemoryTableDriver();
  ~MemoryTableDriver() override;

  // Stores a file of `layout` holding `records` (each layout.record_size bytes), replacing
  // any file at that path.
  Status Put(const std::string& path, const Layout& layout, std::vector<std::string> records);
  bool Exists(const std::string& path) const;
  // The stored records in stored order, or nullptr when there is no file.
  const std::vector<std::string>* Records(const std::string& path) const;
  void Remove(const std::string& path);

  // The next `times` opens of `path` answer `outcome` (kOk answers normally).
  void FailNextOpens(const std::string& path, OpenOutcome outcome, int times = 1);
  // Opens that ask for write access are refused with access denied.
  void DenyWriteAccess(const std::string& path, bool deny = true);
  // Opens answer "key must be rebuilt" until RebuildKeys succeeds.
  void BreakKeys(const std::string& path);
  void FailCreate(const std::string& path, Status status);
  void FailRebuild(const std::string& path, Status status);
  // Reads of tables opened from now on fail after `reads` records.
  void FailReadsAfter(const std::string& path, size_t reads);

  const std::vector<OpenCall>& open_calls() const { return open_calls_; }
  int opens(const std::string& path) const;
  int creates() const { return creates_; }
  int rebuilds() const { return rebuilds_; }
  const std::vector<std::string>& options() const { return options_; }
  // Tables handed out and not yet destroyed.
  int tables_open() const { return *live_tables_; }

  OpenResult Open(const std::string& path, const Layout& layout, AccessMode mode) override;
  Status Create(const std::string& path, const Layout& layout) override;
  Status RebuildKeys(const std::string& path, const Layout& layout) override;
  void SendOption(std::string_view option) override;

 private:
  struct File {
    const Layout* layout = nullptr;
    std::vector<std::string> records;
    bool keys_broken = false;
  };
  struct Faults {
    std::deque<OpenOutcome> next_opens;
    bool deny_write = false;
    std::optional<Status> create, rebuild;
    std::optional<size_t> reads;
  };

  std::map<std::string, File> files_;
  std::map<std::string, Faults> faults_;
  std::vector<OpenCall> open_calls_;
  std::vector<std::string> options_;
  int creates_ = 0;
  int rebuilds_ = 0;
  std::shared_ptr<int> live_tables_;
};

}  // namespace eracuni::workdata::testing
