// The TopSpeed store: this program's own reader and writer of TopSpeed files, and the
// TableDriver the work files open through.
//
// The format description is in workdata/tps/FORMAT.md. Files are read page by page from
// disk (never held whole in memory), so work data of any size is walked in key order with
// a small, bounded amount of memory. Every malformed input is an error result.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "framework/platform.h"
#include "framework/status.h"
#include "workdata/field.h"
#include "workdata/table_driver.h"

namespace eracuni::tps {

// The driver behind the work files.
std::unique_ptr<workdata::TableDriver> NewTopSpeedDriver(FileSystem& files);

// Writes a complete file with one table of `layout`'s definition holding `records` (each
// exactly layout.record_size bytes) as record numbers 1, 2, ... in the order given, with a
// correct key index and compressed pages. Written under a temporary name and renamed into
// place when complete.
Status WriteTable(FileSystem& files, const std::string& path, const workdata::Layout& layout,
                  const std::vector<std::string>& records);

}  // namespace eracuni::tps
