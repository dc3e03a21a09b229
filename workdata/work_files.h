// WorkFiles: the three work files of one window, their record buffers and their walks.
//
// Each window owns its own WorkFiles (the main window one, the settings window another),
// so no thread shares a buffer. A WorkFile is the file-access object of one file: label,
// path (taken from the settings at the first use), record buffer, open counter, and the
// physical open with its messages through the ErrorManager. The store below it is a
// TableDriver (workdata/table_driver.h): the TopSpeed store in the program, a memory store
// in tests. The converter only ever reads the work files.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "framework/error_manager.h"
#include "framework/status.h"
#include "settings/settings.h"
#include "workdata/field.h"
#include "workdata/fields.h"
#include "workdata/record_buffer.h"

namespace eracuni::workdata {

class TableDriver;
class Table;

class WorkFile {
 public:
  WorkFile(const Layout& layout, const std::string& path_setting, TableDriver& driver,
           ErrorManager& errors);
  ~WorkFile();
  WorkFile(const WorkFile&) = delete;
  WorkFile& operator=(const WorkFile&) = delete;

  const Layout& layout() const { return buffer_.layout(); }
  RecordBuffer& buffer() { return buffer_; }
  const RecordBuffer& buffer() const { return buffer_; }

  // Logical open and close; opens and closes pair up through the open counter. Open()
  // performs the physical open at once (the "use" that follows every open). The file is
  // closed on disk when the counter falls back to zero. With open_related set, Open() and
  // Close() also open and close the related file (eRACUNI's lines).
  Status Open();
  void Close();
  // Opens the file physically if it is logically open and not yet open on disk. A physical
  // open that failed is not retried before the file is closed again, so its message shows
  // once.
  Status Use();
  bool is_open() const;
  int open_count() const { return open_count_; }

  // The one-to-many relation of eRACUNI to eRACUNIP; `related` must outlive this file.
  void Relate(WorkFile& related) { related_ = &related; }
  void set_open_related(bool on) { open_related_ = on; }

  // Positions on the key at the key value held in the buffer: the next Next() returns the
  // first record whose key is not below it.
  void Set();
  // Reads the next record in key order into the buffer; false at the end, on any error,
  // or when the file is not open.
  bool Next();

 private:
  Status PhysicalOpen();
  // Reports `id` through the error manager with this file's label and `state`.
  void Report(int id, const ErrorState& state);

  RecordBuffer buffer_;
  const std::string& path_;
  TableDriver& driver_;
  ErrorManager& errors_;
  std::unique_ptr<Table> table_;
  int open_count_ = 0;
  std::optional<Status> failed_open_;
  WorkFile* related_ = nullptr;
  bool open_related_ = false;
};

class WorkFiles {
 public:
  WorkFiles(const settings::Settings& settings, TableDriver& driver, ErrorManager& errors);
  ~WorkFiles();

  WorkFile& headers() { return eracuni_; }       // eRACUNI
  WorkFile& lines() { return eracunip_; }        // eRACUNIP
  WorkFile& attachments() { return eracpril_; }  // eRACPRIL

  // Opens the three files in the window's order (eRACPRIL, then eRACUNI with its related
  // eRACUNIP, then the use of eRACUNIP). Results are not examined by the window: a file
  // that failed to open yields empty walks. Returns the first failure. A second call while
  // open does nothing.
  Status OpenAll();
  // Closes what OpenAll opened (eRACPRIL, then eRACUNI with eRACUNIP); also done on
  // destruction.
  void CloseAll();
  bool opened() const { return opened_; }

 private:
  WorkFile eracpril_;
  WorkFile eracuni_;
  WorkFile eracunip_;
  bool opened_ = false;
};

// A visitor returns true to go on, false to stop the walk early. Each walk returns the
// number of records it handed to the visitor.
using Visitor = std::function<bool()>;

// All headers in ascending ERACUNI:IDENTRACUN, into the headers' buffer.
size_t WalkHeaders(WorkFiles& files, const Visitor& visit);
// The lines of the header in the headers' buffer, in ascending ERACUNIP:ZAPSTEVPOST.
size_t WalkLines(WorkFiles& files, const Visitor& visit);
// The attachments of the header in the headers' buffer, in ascending ERACPRIL:ZAPSTEV.
size_t WalkAttachments(WorkFiles& files, const Visitor& visit);
// The whole attachment file from its first record, without the identifier test.
size_t WalkAllAttachments(WorkFiles& files, const Visitor& visit);

}  // namespace eracuni::workdata
