#include "workdata/json_mapping.h"

#include <cmath>
#include <cstdio>
#include <limits>
#include <nlohmann/json.hpp>

#include "framework/cp1250.h"
#include "workdata/record_buffer.h"

namespace eracuni::workdata {
namespace {

using Json = nlohmann::ordered_json;

struct FileArray {
  std::string_view key;
  const Layout& layout;
  std::vector<std::string> WorkDataRecords::*records;
};

const FileArray kArrays[] = {
    {"eRACUNI", HeaderLayout(), &WorkDataRecords::headers},
    {"eRACUNIP", LineLayout(), &WorkDataRecords::lines},
    {"eRACPRIL", AttachmentLayout(), &WorkDataRecords::attachments},
};

const FieldRow* FindRow(const Layout& layout, std::string_view short_name) {
  for (const FieldRow& r : layout.rows)
    if (r.short_name() == short_name) return &r;
  return nullptr;
}

bool IsKeyComponent(const Layout& layout, const FieldRow& row) {
  for (const Field& f : layout.key.components)
    if (f.offset == row.offset && f.type == row.type) return true;
  return false;
}

std::string CodePointName(std::string_view utf8, size_t offset) {
  std::string_view rest = utf8.substr(offset);
  size_t n = Utf8SequenceLength(utf8, offset);
  char32_t cp = n == 0 ? 0xFFFD : static_cast<unsigned char>(rest[0]) & (0xFF >> (n + 1));
  for (size_t i = 1; i < n; ++i) cp = (cp << 6) | (static_cast<unsigned char>(rest[i]) & 0x3F);
  char buf[16];
  std::snprintf(buf, sizeof buf, "U+%04X", static_cast<unsigned>(cp));
  return buf;
}

Status SetText(RecordBuffer& rec, const FieldRow& row, const Json& value,
               const std::string& where) {
  if (!value.is_string()) return Status::InvalidArgument(where + ": must be a string");
  const std::string& utf8 = value.get_ref<const std::string&>();
  size_t bad = 0;
  std::optional<std::string> bytes = Utf8ToCp1250(utf8, &bad);
  if (!bytes)
    return Status::InvalidArgument(where + ": character " + CodePointName(utf8, bad) +
                                   " has no windows-1250 form");
  if (bytes->size() > row.width)
    return Status::InvalidArgument(where + ": text of " + std::to_string(bytes->size()) +
                                   " characters is longer than the field (" +
                                   std::to_string(row.width) + ")");
  rec.SetText(row.field(), *bytes);
  return Status::Ok();
}

Status SetNumber(RecordBuffer& rec, const FieldRow& row, const Json& value,
                 const std::string& where) {
  const uint64_t max = row.type == FieldType::kU16 ? 0xFFFF : 0xFFFFFFFFu;
  const std::string range = "0.." + std::to_string(max);
  if (value.is_number_float()) {
    double d = value.get<double>();
    if (std::isfinite(d) && std::floor(d) == d && (d < 0 || d > static_cast<double>(max)))
      return Status::InvalidArgument(where + ": number out of range " + range);
    return Status::InvalidArgument(where + ": must be an integer");
  }
  if (!value.is_number_integer()) return Status::InvalidArgument(where + ": must be an integer");
  const bool in_range = value.is_number_unsigned()
                            ? value.get<uint64_t>() <= max
                            : value.get<int64_t>() >= 0 && value.get<uint64_t>() <= max;
  if (!in_range) return Status::InvalidArgument(where + ": number out of range " + range);
  uint64_t v = value.get<uint64_t>();
  if (row.type == FieldType::kU16)
    rec.SetU16(row.field(), static_cast<uint16_t>(v));
  else
    rec.SetU32(row.field(), static_cast<uint32_t>(v));
  return Status::Ok();
}

Result<std::string> RecordFromJson(const Layout& layout, const Json& object,
                                   const std::string& where) {
  if (!object.is_object()) return Status::InvalidArgument(where + ": must be an object");
  RecordBuffer rec(layout);
  for (const auto& [name, value] : object.items()) {
    const std::string at = where + "." + EscapeControls(name);  // a name from the input
    const FieldRow* row = FindRow(layout, name);
    if (row == nullptr)
      return Status::InvalidArgument(at + ": no such field in " + std::string(layout.label));
    if (row->is_group()) return Status::InvalidArgument(at + ": is a group, not a field");
    Status s = row->type == FieldType::kText ? SetText(rec, *row, value, at)
                                             : SetNumber(rec, *row, value, at);
    if (!s.ok()) return s;
  }
  return std::string(rec.bytes());
}

Json RecordToJson(const Layout& layout, std::string_view bytes, JsonOptions options) {
  RecordBuffer rec(layout);
  if (!rec.Assign(bytes)) return Json::object();
  Json out = Json::object();
  for (const FieldRow& row : layout.rows) {
    const bool always = options.all_fields || IsKeyComponent(layout, row);
    const std::string name(row.short_name());
    switch (row.type) {
      case FieldType::kGroup:
        break;
      case FieldType::kText: {
        std::string_view text = rec.Clipped(row.field());
        if (always || !text.empty()) out[name] = Cp1250ToUtf8(text);
        break;
      }
      case FieldType::kU16:
        if (always || rec.U16(row.field()) != 0) out[name] = rec.U16(row.field());
        break;
      case FieldType::kU32:
        if (always || rec.U32(row.field()) != 0) out[name] = rec.U32(row.field());
        break;
    }
  }
  return out;
}

std::string ParseErrorText(const std::string& what) {
  // "[json.exception.parse_error.101] parse error at line 1, column 2: ..." without the tag.
  size_t end = what.find("] ");
  return end == std::string::npos ? what : what.substr(end + 2);
}

}  // namespace

Result<WorkDataRecords> WorkDataFromJson(std::string_view json_text) {
  Json doc;
  try {
    doc = Json::parse(json_text);
  } catch (const Json::exception& e) {
    return Status::InvalidArgument("malformed JSON: " + EscapeControls(ParseErrorText(e.what())));
  }
  if (!doc.is_object()) return Status::InvalidArgument("the work data must be a JSON object");
  WorkDataRecords out;
  for (const auto& [key, value] : doc.items()) {
    const FileArray* file = nullptr;
    for (const FileArray& a : kArrays)
      if (a.key == key) file = &a;
    if (file == nullptr)
      return Status::InvalidArgument("unknown top-level key \"" + EscapeControls(key) +
                                     "\" (expected eRACUNI, eRACUNIP or eRACPRIL)");
    if (!value.is_array()) return Status::InvalidArgument(key + ": must be an array");
    std::vector<std::string>& records = out.*(file->records);
    for (size_t i = 0; i < value.size(); ++i) {
      Result<std::string> rec =
          RecordFromJson(file->layout, value[i], key + "[" + std::to_string(i) + "]");
      if (!rec.ok()) return rec.status();
      records.push_back(std::move(*rec));
    }
  }
  return out;
}

std::string WorkDataToJson(const WorkDataRecords& records, JsonOptions options) {
  Json doc = Json::object();
  for (const FileArray& a : kArrays) {
    Json list = Json::array();
    for (const std::string& rec : records.*(a.records))
      list.push_back(RecordToJson(a.layout, rec, options));
    doc[std::string(a.key)] = std::move(list);
  }
  return doc.dump(2) + "\n";
}

}  // namespace eracuni::workdata
