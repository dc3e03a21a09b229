// InvoiceSnapshot: one header of the work data with its lines and attachments, copied out of
// the work files, so that its document can be written on another thread while the work files
// go on to the next header.
//
// SnapshotWorkFiles is a WorkFiles over one snapshot at a time: the headers' buffer holds the
// snapshot's header, and the walks of lines and attachments hand out the snapshot's records
// in key order, as the work files would. Its files always open; nothing else is in them. An
// object is used by one thread at a time; the settings it was made with must outlive it.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "framework/error_manager.h"
#include "settings/settings.h"
#include "workdata/work_files.h"

namespace eracuni::workdata {

struct InvoiceSnapshot {
  std::string header;
  std::vector<std::string> lines;        // in key order
  std::vector<std::string> attachments;  // in key order
  size_t bytes = 0;                      // of all records
};

// The header in the headers' buffer with its lines and attachments; false (and a partial
// snapshot) when they come to more than `byte_limit` bytes.
bool TakeSnapshot(WorkFiles& files, size_t byte_limit, InvoiceSnapshot& into);

class SnapshotWorkFiles {
 public:
  // `errors` only labels the files: opening a snapshot reports nothing.
  SnapshotWorkFiles(const settings::Settings& settings, ErrorManager& errors);
  ~SnapshotWorkFiles();
  SnapshotWorkFiles(const SnapshotWorkFiles&) = delete;
  SnapshotWorkFiles& operator=(const SnapshotWorkFiles&) = delete;

  // Puts `snapshot` in place of the one before; the work files answer for it from now on.
  void Load(InvoiceSnapshot snapshot);
  // Gives the snapshot back, so the thread that took it also frees it (a free from another
  // thread locks that thread's heap); the work files are empty until the next Load.
  InvoiceSnapshot Unload();
  WorkFiles& files() { return *files_; }

 private:
  class Driver;
  std::unique_ptr<Driver> driver_;
  std::unique_ptr<WorkFiles> files_;
};

}  // namespace eracuni::workdata
