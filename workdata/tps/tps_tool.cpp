#include "workdata/tps/tps_tool.h"

#include <cstdio>
#include <cstring>
#include <deque>
#include <map>
#include <nlohmann/json.hpp>

#include "framework/cp1250.h"
#include "framework/platform.h"
#include "workdata/tps/coding.h"
#include "workdata/tps/reader.h"
#include "workdata/tps/writer.h"

namespace eracuni::tps {
namespace {

using Json = nlohmann::ordered_json;

constexpr int kOk = 0, kWriteFailed = 1, kBadInput = 2;

int Fail(std::ostream& err, const std::string& path, const Status& s, int code) {
  err << "tps: " << path << ": " << s.message() << "\n";
  return code;
}

std::string Hex(std::string_view b) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string s;
  for (unsigned char c : b) {
    s.push_back(kDigits[c >> 4]);
    s.push_back(kDigits[c & 15]);
  }
  return s;
}

std::string Utf8(std::string_view cp1250) { return Cp1250ToUtf8(cp1250); }

std::string_view ClipBlanks(std::string_view s) {
  size_t n = s.size();
  while (n > 0 && s[n - 1] == ' ') --n;
  return s.substr(0, n);
}

// Packed BCD: a sign nibble, then the digits, `places` of them after the point.
Json DecimalText(std::string_view v, int places) {
  std::string digits;
  for (size_t i = 1; i < 2 * v.size(); ++i) {
    int nibble = (Byte(v, i / 2) >> (i % 2 ? 0 : 4)) & 15;
    if (nibble > 9) return "invalid DECIMAL " + Hex(v);
    digits.push_back(static_cast<char>('0' + nibble));
  }
  while (digits.size() < static_cast<size_t>(places) + 1) digits.insert(digits.begin(), '0');
  std::string whole = digits.substr(0, digits.size() - places);
  whole.erase(0, std::min(whole.find_first_not_of('0'), whole.size() - 1));
  std::string text = whole + (places > 0 ? "." + digits.substr(digits.size() - places) : "");
  bool negative = (Byte(v, 0) >> 4) != 0 && text.find_first_not_of("0.") != std::string::npos;
  return (negative ? "-" : "") + text;
}

Json DateText(uint32_t v) {
  if (v == 0) return nullptr;
  char buf[16];
  std::snprintf(buf, sizeof buf, "%04u-%02u-%02u", v >> 16, (v >> 8) & 0xFF, v & 0xFF);
  return buf;
}

Json TimeText(uint32_t v) {
  if (v == 0) return nullptr;
  char buf[16];
  std::snprintf(buf, sizeof buf, "%02u:%02u:%02u.%02u", v >> 24, (v >> 16) & 0xFF, (v >> 8) & 0xFF,
                v & 0xFF);
  return buf;
}

template <typename T>
T Native(std::string_view v) {  // a little-endian number of the row image
  uint64_t bits = 0;
  for (size_t i = sizeof(T); i-- > 0;) bits = (bits << 8) | Byte(v, i);
  T out;
  std::memcpy(&out, &bits, sizeof(T));  // same-size bit copy, not a struct cast
  return out;
}

Json Element(const StoredField& f, std::string_view v) {
  static const std::map<uint8_t, size_t> sizes = {
      {type::kByte, 1}, {type::kShort, 2}, {type::kUShort, 2}, {type::kDate, 4}, {type::kTime, 4},
      {type::kLong, 4}, {type::kULong, 4}, {type::kSReal, 4},  {type::kReal, 8}};
  if (auto s = sizes.find(f.type); s != sizes.end() && s->second != v.size()) return Hex(v);
  switch (f.type) {
    case type::kByte:
      return Byte(v, 0);
    case type::kShort:
      return Native<int16_t>(v);
    case type::kUShort:
      return Native<uint16_t>(v);
    case type::kLong:
      return Native<int32_t>(v);
    case type::kULong:
      return Native<uint32_t>(v);
    case type::kSReal:
      return Native<float>(v);
    case type::kReal:
      return Native<double>(v);
    case type::kDate:
      return DateText(Native<uint32_t>(v));
    case type::kTime:
      return TimeText(Native<uint32_t>(v));
    case type::kDecimal:
      return v.empty() ? Json("") : DecimalText(v, f.decimal_places);
    case type::kString:
      return Utf8(ClipBlanks(v));
    case type::kCString:
      return Utf8(v.substr(0, v.find('\0')));
    case type::kPString:
      return v.empty() ? Json("")
                       : Json(Utf8(v.substr(1, std::min<size_t>(Byte(v, 0), v.size() - 1))));
  }
  return Hex(v);
}

Json FieldValue(const StoredField& f, std::string_view row) {
  std::string_view v = row.substr(f.offset, f.length);
  if (f.elements <= 1) return Element(f, v);
  Json list = Json::array();
  size_t each = f.length / f.elements;
  for (size_t i = 0; i < f.elements && each > 0; ++i)
    list.push_back(Element(f, v.substr(i * each, each)));
  return list;
}

Json KeyAttributes(uint8_t flags) {
  Json a = Json::array();
  if (flags & key_flag::kDup) a.push_back("DUP");
  if (flags & key_flag::kOpt) a.push_back("OPT");
  if (flags & key_flag::kNoCase) a.push_back("NOCASE");
  if (flags & key_flag::kPrimary) a.push_back("PRIMARY");
  return a;
}

Json DefinitionJson(const TableDefinition& def) {
  Json fields = Json::array(), memos = Json::array(), keys = Json::array();
  for (const StoredField& f : def.fields) {
    Json j = {{"number", f.number},     {"name", Utf8(f.name)}, {"type", TypeName(f.type)},
              {"type_code", f.type},    {"offset", f.offset},   {"length", f.length},
              {"elements", f.elements}, {"flags", f.flags}};
    if (f.type == type::kDecimal) {
      j["decimal_places"] = f.decimal_places;
      j["decimal_length"] = f.decimal_length;
    }
    if (f.is_text()) {
      j["string_length"] = f.string_length;
      j["picture"] = Utf8(f.picture);
    }
    fields.push_back(j);
  }
  for (const StoredMemo& m : def.memos)
    memos.push_back({{"name", Utf8(m.name)},
                     {"external_name", Utf8(m.external_name)},
                     {"size", m.size},
                     {"flags", m.flags},
                     {"blob", (m.flags & 0x04) != 0}});
  for (const StoredKey& k : def.keys) {
    Json components = Json::array();
    for (const KeyComponent& c : k.components)
      components.push_back({{"field", c.field},
                            {"name", Utf8(def.fields[c.field].name)},
                            {"descending", c.descending()}});
    keys.push_back({{"name", Utf8(k.name)},
                    {"external_name", Utf8(k.external_name)},
                    {"flags", k.flags},
                    {"attributes", KeyAttributes(k.flags)},
                    {"components", components}});
  }
  Json j = {{"version", def.version},
            {"record_length", def.record_length},
            {"fields", fields},
            {"memos", memos},
            {"keys", keys}};
  if (!def.trailing.empty()) j["trailing"] = Hex(def.trailing);
  return j;
}

// Memo and BLOB contents of a table: by record number, by memo number, chunks joined.
using Memos = std::map<uint32_t, std::map<uint8_t, std::string>>;

Status ReadMemos(Reader& reader, const TableInfo& t, Memos* memos) {
  return reader.Scan(TablePrefix(t.number, rec::kMemo), [&](std::string_view r, uint16_t kl) {
    if (kl != 12 || r.size() < 12) return Status::Corruption("malformed memo record");
    (*memos)[LoadU32BE(r, 5)][Byte(r, 9)] += r.substr(12);
    return Status::Ok();
  });
}

Json MemoValue(const StoredMemo& m, std::string_view bytes) {
  if (m.flags & 0x04)
    return Hex(bytes.size() >= 4 ? bytes.substr(4) : bytes);  // BLOB: length first
  if (m.flags & 0x02) return Hex(bytes);
  return Utf8(bytes);
}

Result<Json> TableJson(Reader& reader, const TableInfo& t) {
  const TableDefinition& def = t.definition;
  Json counters = Json::array();
  for (const auto& [about, c] : t.counters) {
    std::string of = about == rec::kData ? "rows"
                     : about < def.keys.size()
                         ? Utf8(def.keys[about].name)
                         : "0x" + Hex(std::string(1, static_cast<char>(about)));
    counters.push_back({{"of", of}, {"count", c.count}});
  }
  Memos memos;
  if (Status s = ReadMemos(reader, t, &memos); !s.ok()) return s;
  Json records = Json::array();
  Status s = reader.ScanRows(t, [&](uint32_t number, std::string_view row) {
    Json values = Json::object();
    for (const StoredField& f : def.fields) {
      if (f.type == type::kGroup) continue;  // its members are listed
      std::string name = Utf8(f.name);
      if (values.contains(name)) name += "#" + std::to_string(f.number);
      values[name] = FieldValue(f, row);
    }
    if (auto m = memos.find(number); m != memos.end())
      for (const auto& [memo, bytes] : m->second)
        if (memo < def.memos.size())
          values[Utf8(def.memos[memo].name)] = MemoValue(def.memos[memo], bytes);
    records.push_back({{"record", number}, {"values", std::move(values)}});
    return Status::Ok();
  });
  if (!s.ok()) return s;
  return Json{{"number", t.number},
              {"name", Utf8(t.name)},
              {"definition", DefinitionJson(def)},
              {"counters", counters},
              {"records", std::move(records)}};
}

Result<std::unique_ptr<Reader>> Load(const std::string& path) {
  auto bytes = SystemFileSystem().ReadFile(path);
  if (!bytes.ok()) return bytes.status();
  return Reader::OpenBytes(std::move(*bytes));
}

// Every record of table `t`, sorted into what the writer rebuilds and what it keeps.
Status CollectTable(Reader& reader, const TableInfo& t, std::deque<std::string>* images,
                    TableContent* out) {
  const TableDefinition& def = t.definition;
  out->number = t.number;
  out->name = t.name;
  out->definition = def;
  out->locale = t.locale;
  for (const auto& [about, c] : t.counters) out->counter_tails[about] = c.tail;
  bool locale_seen = false;
  return reader.Scan(U32BE(t.number), [&](std::string_view r, uint16_t kl) {
    uint8_t kind = r.size() > 4 ? Byte(r, 4) : 0;
    bool counter = kind == rec::kMeta && r.size() > 5 &&
                   (Byte(r, 5) == rec::kData || Byte(r, 5) < def.keys.size());
    if (kind < def.keys.size()) {
      if (!CanEncodeKey(def, def.keys[kind]))
        out->stored_index[kind].push_back({std::string(r), kl});
    } else if (kind == rec::kData) {
      if (kl != 9 || r.size() != 9 + size_t{def.record_length})
        return Status::Corruption("a row has the wrong length");
      images->emplace_back(r.substr(9));
      out->rows.push_back({LoadU32BE(r, 5), images->back()});
    } else if (kind == rec::kLocale && !locale_seen && kl == 6) {
      locale_seen = true;
    } else if (!counter && kind != rec::kDefinition) {
      out->extra.push_back({std::string(r), kl});
    }
    return Status::Ok();
  });
}

}  // namespace

int DumpTps(const std::string& path, std::ostream& out, std::ostream& err) {
  auto reader = Load(path);
  if (!reader.ok()) return Fail(err, path, reader.status(), kBadInput);
  const FileHeader& h = (*reader)->header();
  Json zones = Json::array();
  for (size_t i = 1; i < kZones; ++i)
    if (h.zone_start[i] != h.zone_end[i])
      zones.push_back({{"units", i}, {"start", h.zone_start[i]}, {"end", h.zone_end[i]}});
  Json tables = Json::array();
  for (const TableInfo& t : (*reader)->tables()) {
    auto j = TableJson(**reader, t);
    if (!j.ok()) return Fail(err, path, j.status(), kBadInput);
    tables.push_back(std::move(*j));
  }
  Json doc = {{"file",
               {{"length", h.file_length},
                {"allocated_length", h.allocated_length},
                {"last_issued", h.last_issued},
                {"changes", h.changes},
                {"root", h.root},
                {"zones", zones}}},
              {"tables", std::move(tables)}};
  out << doc.dump(2, ' ', false, Json::error_handler_t::replace) << "\n";
  return kOk;
}

int CopyTps(const std::string& in, const std::string& out, std::ostream& err) {
  auto reader = Load(in);
  if (!reader.ok()) return Fail(err, in, reader.status(), kBadInput);
  std::deque<std::string> images;
  std::vector<RawRecord> records;
  for (const TableInfo& t : (*reader)->tables()) {
    TableContent content;
    if (Status s = CollectTable(**reader, t, &images, &content); !s.ok())
      return Fail(err, in, s, kBadInput);
    auto table = TableRecords(content);
    if (!table.ok()) return Fail(err, in, table.status(), kBadInput);
    records.insert(records.end(), std::make_move_iterator(table->begin()),
                   std::make_move_iterator(table->end()));
  }
  // Name records other than the tables' own (names of tables without records) stay.
  Status s = (*reader)->Scan(std::string(1, static_cast<char>(rec::kName)), [&](std::string_view r,
                                                                                uint16_t kl) {
    const TableInfo* t = r.size() >= 4 ? (*reader)->FindTable(LoadU32BE(r, r.size() - 4)) : nullptr;
    if (!t || t->name != r.substr(1, kl - 1)) records.push_back({std::string(r), kl});
    return Status::Ok();
  });
  if (!s.ok()) return Fail(err, in, s, kBadInput);
  const FileHeader& h = (*reader)->header();
  auto bytes = BuildFile(h.last_issued, h.changes, std::move(records));
  if (!bytes.ok()) return Fail(err, in, bytes.status(), kBadInput);
  if (Status w = WriteFileReplacing(SystemFileSystem(), out, *bytes); !w.ok())
    return Fail(err, out, w, kWriteFailed);
  return kOk;
}

}  // namespace eracuni::tps
