// JSON form of the work data, for the work-data tool: three record lists to and from one
// JSON object.
//
// The object has the optional arrays "eRACUNI", "eRACUNIP" and "eRACPRIL"; each element is
// an object whose keys are the field names of the layout without the file prefix
// ("STEVILKARACUNA"). Texts are JSON strings (UTF-8), stored left-aligned and blank-padded
// as windows-1250; numbers are JSON integers in the field's range. A missing field is blank
// or zero, a missing array an empty file; records keep the order given. Every refusal is a
// one-line message naming the record (array and index) and the field.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "framework/status.h"
#include "workdata/field.h"

namespace eracuni::workdata {

// The records of the three files, each exactly its layout's record size.
struct WorkDataRecords {
  std::vector<std::string> headers;      // eRACUNI
  std::vector<std::string> lines;        // eRACUNIP
  std::vector<std::string> attachments;  // eRACPRIL
};

Result<WorkDataRecords> WorkDataFromJson(std::string_view json_text);

struct JsonOptions {
  // Also write blank texts and zero numbers (key fields are always written).
  bool all_fields = false;
};
// Texts without their trailing blanks, fields in layout order, records in the order given.
std::string WorkDataToJson(const WorkDataRecords& records, JsonOptions options = {});

}  // namespace eracuni::workdata
