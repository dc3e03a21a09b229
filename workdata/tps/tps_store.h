// The TopSpeed store: this program's own reader and writer of TopSpeed files, and the
// TableDriver the work files open through.
//
// The format description is in workdata/tps/FORMAT.md. Files are read page by page from
// disk (never held whole in memory), so work data of any size is walked in key order with
// a small, bounded amount of memory. Every malformed input is an error result. The driver
// only ever reads a work file; Create writes a new empty one.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "framework/platform.h"
#include "framework/status.h"
#include "workdata/field.h"
#include "workdata/table_driver.h"

namespace eracuni::tps {

// The codes an OpenResult carries, the runtime's codes of the driver's world. The driver
// code is the same number as text, or the errno for file-system failures; the driver text
// names the detail (the system's text, the first layout difference, the damaged page).
inline constexpr int kErrFileNotFound = 2;
inline constexpr int kErrAccessDenied = 5;
inline constexpr int kErrInvalidDataFile = 36;
inline constexpr int kErrKeyMustBeRebuilt = 46;
inline constexpr int kErrInvalidDeclaration = 47;
inline constexpr int kErrFileSystem = 90;

// The driver behind the work files. Open answers kOk, kNotFound, kAccessDenied,
// kInvalidDeclaration (stored definition differs from the layout), kKeyMustBeRebuilt (the
// index is unusable, the rows are sound) or kOtherError (a damaged file, a read failure).
// The index is checked against the rows at every Open. RebuildKeys never writes: it
// checks the rows and makes later Opens of that path order them by sorting on the key in
// memory. `files` must outlive the driver.
std::unique_ptr<workdata::TableDriver> NewTopSpeedDriver(FileSystem& files);

// Writes a complete file with one table ("UNNAMED", table number 1) of `layout`'s
// definition holding `records` (each exactly layout.record_size bytes) as record numbers
// 2, 3, ... in the order given (the file's one counter gave 1 to the table), with its
// key index and compressed pages. Written under a temporary name and renamed into place
// when complete. Two records with the same key value are InvalidArgument.
Status WriteTable(FileSystem& files, const std::string& path, const workdata::Layout& layout,
                  const std::vector<std::string>& records);

}  // namespace eracuni::tps
