// TableDriver: the keyed-file store beneath the work files (the platform's file driver).
//
// The program uses the TopSpeed store (workdata/tps/tps_store.h); tests use the memory
// store (workdata/testing/). A driver opens a file for reading in key order, creates an
// empty file with a declared layout, and rebuilds a file's keys. Outcomes are named so
// that the work-file layer can act on each as the physical open asks.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "framework/status.h"
#include "workdata/field.h"
#include "workdata/record_buffer.h"

namespace eracuni::workdata {

// An open file, read in the order of its (only) key.
class Table {
 public:
  virtual ~Table() = default;
  // Positions so that the next Next() returns the first record whose key is not below the
  // key value held in `key_source` (the key's component fields of that buffer).
  virtual void Set(const RecordBuffer& key_source) = 0;
  // Reads the next record into `into`; false at the end or on any read error.
  virtual bool Next(RecordBuffer& into) = 0;
};

enum class OpenOutcome {
  kOk,
  kNotFound,            // no file at the path
  kAccessDenied,        // the platform refused the open
  kKeyMustBeRebuilt,    // the key index is unusable
  kInvalidDeclaration,  // the stored layout differs from the declared one
  kOtherError,
};

struct AccessMode {
  bool write = true;      // read/write access asked for
  bool deny_none = true;  // no sharing restriction
};

struct OpenResult {
  OpenOutcome outcome = OpenOutcome::kOtherError;
  std::unique_ptr<Table> table;  // set when kOk
  // The platform's error code and text, and the driver's own code and text, for messages.
  int error_code = 0;
  std::string error_text;
  std::string driver_code;
  std::string driver_text;
};

class TableDriver {
 public:
  virtual ~TableDriver() = default;
  virtual OpenResult Open(const std::string& path, const Layout& layout, AccessMode mode) = 0;
  // Creates an empty file with the layout's definition.
  virtual Status Create(const std::string& path, const Layout& layout) = 0;
  // Makes the keys usable again. The work data is never written: a driver may rebuild the
  // order in memory for the next Open instead.
  virtual Status RebuildKeys(const std::string& path, const Layout& layout) = 0;
  // A driver option such as "Recover=10".
  virtual void SendOption(std::string_view option) = 0;
};

}  // namespace eracuni::workdata
