// Work-data records and key-order reads for the tests of the TopSpeed store.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "workdata/field.h"
#include "workdata/table_driver.h"

namespace eracuni::tps::testing {

// Records of the three layouts with their key fields set and one text filled.
std::string Header(uint32_t ident, std::string_view number = {});
std::string Line(uint32_t ident, uint32_t line, std::string_view description = {});
std::string Attachment(uint32_t ident, uint16_t seq, std::string_view name = {});

// A record of `layout` whose key fields are set from `keys` (one value a component) and
// whose every text field is filled to its width with windows-1250 letters.
std::string FilledRecord(const workdata::Layout& layout, const std::vector<uint32_t>& keys);

// The records ordered by the layout's key (numeric, ascending), ties in the given order.
std::vector<std::string> SortedByKey(const workdata::Layout& layout,
                                     std::vector<std::string> records);

// Opens `path` and reads it from the smallest key to the end; the records read, or
// nothing with `outcome` set when the open failed.
std::vector<std::string> ReadAll(workdata::TableDriver& driver, const std::string& path,
                                 const workdata::Layout& layout,
                                 workdata::OpenOutcome* outcome = nullptr);

// The folder of the sample files, or "" (the test then skips).
std::string SampleDir();

}  // namespace eracuni::tps::testing
