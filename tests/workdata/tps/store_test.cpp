#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <random>

#include "framework/testing/fakes.h"
#include "test_records.h"
#include "workdata/fields.h"
#include "workdata/record_buffer.h"
#include "workdata/tps/coding.h"
#include "workdata/tps/reader.h"
#include "workdata/tps/tps_store.h"
#include "workdata/tps/writer.h"

namespace eracuni::tps {
namespace {

using eracuni::testing::FaultyFileSystem;
using eracuni::testing::ReadFileOrEmpty;
using eracuni::testing::TempDir;
using eracuni::testing::WriteFileOrDie;
using testing::Attachment;
using testing::FilledRecord;
using testing::Header;
using testing::Line;
using testing::ReadAll;
using testing::SortedByKey;
using workdata::Layout;
using workdata::OpenOutcome;
using workdata::RecordBuffer;

class Store : public ::testing::Test {
 protected:
  std::string Write(const Layout& layout, const std::vector<std::string>& records,
                    const std::string& name = "work.TPS") {
    std::string path = temp_.File(name);
    Status s = WriteTable(files_, path, layout, records);
    EXPECT_TRUE(s.ok()) << s.message();
    return path;
  }
  void SetWalksFrom(const std::vector<std::string>& attachments);
  TempDir temp_;
  FaultyFileSystem files_;
  std::unique_ptr<workdata::TableDriver> driver_ = NewTopSpeedDriver(files_);
};

// Key values for `n` records of a layout, in a scrambled order, identifier 0 included.
std::vector<std::vector<uint32_t>> ScrambledKeys(const Layout& layout, size_t n) {
  std::vector<std::vector<uint32_t>> keys;
  for (size_t i = 0; i < n; ++i) {
    if (layout.key.components.size() == 1)
      keys.push_back({static_cast<uint32_t>(i * 7)});
    else
      keys.push_back({static_cast<uint32_t>(i / 4), static_cast<uint32_t>(4 - i % 4)});
  }
  std::shuffle(keys.begin(), keys.end(), std::mt19937(11));
  return keys;
}

class LayoutStore : public Store, public ::testing::WithParamInterface<const Layout*> {};

TEST_P(LayoutStore, RecordsReadBackInKeyOrderWithTheStoredDefinitionOfTheLayout) {
  const Layout& layout = *GetParam();
  for (size_t n : {0, 1, 300}) {
    SCOPED_TRACE(n);
    std::vector<std::string> records;
    for (const auto& key : ScrambledKeys(layout, n)) records.push_back(FilledRecord(layout, key));
    std::string path = Write(layout, records);
    EXPECT_EQ(ReadAll(*driver_, path, layout), SortedByKey(layout, records));

    auto reader = Reader::OpenBytes(ReadFileOrEmpty(path));
    ASSERT_TRUE(reader.ok()) << reader.status().message();
    ASSERT_EQ((*reader)->tables().size(), 1u);
    const TableInfo& t = (*reader)->tables()[0];
    EXPECT_EQ(t.number, 1u);
    EXPECT_EQ(t.name, "UNNAMED");
    EXPECT_EQ(EncodeDefinition(t.definition), EncodeDefinition(DefinitionOf(layout)));
    EXPECT_EQ(t.counters.at(rec::kData).count, n);
    EXPECT_EQ(t.counters.at(0).count, n);
    EXPECT_EQ((*reader)->header().last_issued, n + 1);
    std::vector<uint32_t> numbers;
    Status s = (*reader)->ScanRows(t, [&](uint32_t number, std::string_view row) {
      numbers.push_back(number);
      EXPECT_EQ(row, records[number - 2]);  // record numbers 2, 3, ... in the order given
      return Status::Ok();
    });
    EXPECT_TRUE(s.ok());
    EXPECT_EQ(numbers.size(), n);
  }
}

INSTANTIATE_TEST_SUITE_P(WorkLayouts, LayoutStore,
                         ::testing::Values(&workdata::HeaderLayout(), &workdata::LineLayout(),
                                           &workdata::AttachmentLayout()));

TEST_F(Store, TenThousandHeadersStoredBackwards) {
  std::vector<std::string> headers;
  for (uint32_t id = 10000; id-- > 0;) headers.push_back(Header(id, "2026-" + std::to_string(id)));
  std::string path = Write(workdata::HeaderLayout(), headers);
  std::vector<std::string> read = ReadAll(*driver_, path, workdata::HeaderLayout());
  ASSERT_EQ(read.size(), 10000u);
  RecordBuffer b(workdata::HeaderLayout());
  for (uint32_t id = 0; id < 10000; id += 997) {
    b.Assign(read[id]);
    EXPECT_EQ(b.U32(workdata::eRACUNI::IDENTRACUN), id);
    EXPECT_EQ(b.Clipped(workdata::eRACUNI::STEVILKARACUNA), "2026-" + std::to_string(id));
  }
  EXPECT_TRUE(
      std::is_sorted(read.begin(), read.end(), [&](const std::string& x, const std::string& y) {
        RecordBuffer bx(workdata::HeaderLayout()), by(workdata::HeaderLayout());
        bx.Assign(x);
        by.Assign(y);
        return bx.U32(workdata::eRACUNI::IDENTRACUN) < by.U32(workdata::eRACUNI::IDENTRACUN);
      }));
}

TEST_F(Store, TwoHundredThousandLinesOverManyPackedPages) {
  const Layout& layout = workdata::LineLayout();
  std::vector<std::string> lines;
  for (uint32_t id = 1; id <= 20000; ++id)
    for (uint32_t n = 10; n >= 1; --n)
      lines.push_back(Line(id, n, "Artikel \x8A" + std::to_string(n)));
  std::string path = Write(layout, lines);
  uint64_t size = ReadFileOrEmpty(path).size();
  EXPECT_LT(size, lines.size() * layout.record_size / 4);  // mostly blanks: packed

  auto opened = driver_->Open(path, layout, {});
  ASSERT_EQ(opened.outcome, OpenOutcome::kOk) << opened.driver_text;
  RecordBuffer b(layout);
  b.Clear();
  opened.table->Set(b);
  uint32_t count = 0, last_id = 0, last_line = 0;
  while (opened.table->Next(b)) {
    uint32_t id = b.U32(workdata::eRACUNIP::IDENTRACUN),
             line = b.U32(workdata::eRACUNIP::ZAPSTEVPOST);
    EXPECT_TRUE(id > last_id || (id == last_id && line == last_line + 1)) << id << "/" << line;
    if (count++ % 10 == 0) {
      ASSERT_EQ(line, 1u);
    }
    last_id = id;
    last_line = line;
  }
  EXPECT_EQ(count, 200000u);

  // One header's lines, found from its identifier.
  b.Clear();
  b.SetU32(workdata::eRACUNIP::IDENTRACUN, 12345);
  opened.table->Set(b);
  ASSERT_TRUE(opened.table->Next(b));
  EXPECT_EQ(b.U32(workdata::eRACUNIP::IDENTRACUN), 12345u);
  EXPECT_EQ(b.U32(workdata::eRACUNIP::ZAPSTEVPOST), 1u);
  EXPECT_EQ(b.Clipped(workdata::eRACUNIP::OPISARTIKLA1),
            "Artikel \x8A"
            "1");
}

TEST_F(Store, SetStartsAtTheFirstKeyNotBelowItsValue) {
  const Layout& layout = workdata::AttachmentLayout();
  std::vector<std::string> atts = {Attachment(7, 2, "b.pdf"), Attachment(6, 1, "x.xml"),
                                   Attachment(7, 1, "a.xml"), Attachment(0, 1, "zero.xml"),
                                   Attachment(9, 65535, "last")};
  // Rows stored out of key order are found through the index; rows in key order are read
  // in turn.
  for (bool sorted : {false, true}) {
    SCOPED_TRACE(sorted);
    SetWalksFrom(sorted ? SortedByKey(layout, atts) : atts);
  }
}

void Store::SetWalksFrom(const std::vector<std::string>& atts) {
  const Layout& layout = workdata::AttachmentLayout();
  auto opened = driver_->Open(Write(layout, atts), layout, {});
  ASSERT_EQ(opened.outcome, OpenOutcome::kOk);
  RecordBuffer b(layout);
  auto next_name = [&] {
    return opened.table->Next(b) ? std::string(b.Clipped(workdata::eRACPRIL::IMEPRILOGE)) : "<end>";
  };
  b.Clear();
  b.SetU32(workdata::eRACPRIL::IDENTRACUN, 7);
  opened.table->Set(b);
  EXPECT_EQ(next_name(), "a.xml");
  EXPECT_EQ(next_name(), "b.pdf");
  EXPECT_EQ(next_name(), "last");
  EXPECT_EQ(next_name(), "<end>");
  EXPECT_EQ(next_name(), "<end>");
  b.Clear();  // identifier 0 is a key like any other
  opened.table->Set(b);
  EXPECT_EQ(next_name(), "zero.xml");
  b.SetU32(workdata::eRACPRIL::IDENTRACUN, 10);
  opened.table->Set(b);
  EXPECT_EQ(next_name(), "<end>");
}

TEST_F(Store, RecordsThatCannotBeStoredAreRefused) {
  const Layout& layout = workdata::LineLayout();
  std::string path = temp_.File("bad.TPS");
  EXPECT_TRUE(WriteTable(files_, path, layout, {Line(1, 1), Line(1, 1)})
                  .Is(Status::Code::kInvalidArgument));
  EXPECT_TRUE(
      WriteTable(files_, path, layout, {Line(1, 1).substr(1)}).Is(Status::Code::kInvalidArgument));
  EXPECT_FALSE(files_.Exists(path));
}

TEST_F(Store, FileAppearsOnlyWhenComplete) {
  std::string path = temp_.File("eRACUNI.TPS");
  files_.FailOn("rename", "eRACUNI", EIO);
  EXPECT_FALSE(WriteTable(files_, path, workdata::HeaderLayout(), {Header(1)}).ok());
  EXPECT_FALSE(files_.Exists(path));
  EXPECT_FALSE(files_.Exists(path + ".tmp"));
}

TEST_F(Store, CreateWritesAnEmptyFileThatOpens) {
  for (const Layout* layout :
       {&workdata::HeaderLayout(), &workdata::LineLayout(), &workdata::AttachmentLayout()}) {
    std::string path = temp_.File(std::string(layout->file_name));
    ASSERT_TRUE(driver_->Create(path, *layout).ok());
    OpenOutcome outcome;
    EXPECT_TRUE(ReadAll(*driver_, path, *layout, &outcome).empty());
    EXPECT_EQ(outcome, OpenOutcome::kOk);
  }
}

TEST_F(Store, MissingUnreadableAndDamagedFiles) {
  const Layout& layout = workdata::HeaderLayout();
  auto missing = driver_->Open(temp_.File("eRACUNI.TPS"), layout, {});
  EXPECT_EQ(missing.outcome, OpenOutcome::kNotFound);
  EXPECT_EQ(missing.error_code, kErrFileNotFound);

  std::string path = Write(layout, {Header(1), Header(2)}, "eRACUNI.TPS");
  files_.FailOn("read", "eRACUNI", EACCES);
  auto denied = driver_->Open(path, layout, {});
  EXPECT_EQ(denied.outcome, OpenOutcome::kAccessDenied);
  EXPECT_EQ(denied.error_code, kErrAccessDenied);
  EXPECT_EQ(denied.driver_code, std::to_string(EACCES));

  std::string bytes = ReadFileOrEmpty(path);
  WriteFileOrDie(temp_.File("cut.TPS"), bytes.substr(0, bytes.size() - 300));
  auto cut = driver_->Open(temp_.File("cut.TPS"), layout, {});
  EXPECT_EQ(cut.outcome, OpenOutcome::kOtherError);
  EXPECT_EQ(cut.error_code, kErrFileSystem);
  EXPECT_FALSE(cut.driver_text.empty());
  EXPECT_FALSE(driver_->RebuildKeys(temp_.File("cut.TPS"), layout).ok());
}

TEST_F(Store, StoredLayoutThatDiffersIsAnInvalidDeclaration) {
  const Layout& base = workdata::AttachmentLayout();
  std::vector<workdata::FieldRow> rows(base.rows.begin(), base.rows.end());
  Layout renamed = base, narrower = base;
  rows[3].name = "ERACPRIL:MAPA";
  renamed.rows = rows;
  std::vector<workdata::FieldRow> narrow_rows(base.rows.begin(), base.rows.end());
  narrow_rows.back().width = 240;
  narrower.rows = narrow_rows;
  narrower.record_size = 506;
  for (const Layout* written : {&renamed, &narrower}) {
    std::string path = temp_.File("eRACPRIL.TPS");
    ASSERT_TRUE(WriteTable(files_, path, *written, {std::string(written->record_size, ' ')}).ok());
    auto r = driver_->Open(path, base, {});
    EXPECT_EQ(r.outcome, OpenOutcome::kInvalidDeclaration);
    EXPECT_EQ(r.error_code, kErrInvalidDeclaration);
    EXPECT_NE(r.driver_text.find("ERACPRIL:"), std::string::npos) << r.driver_text;
    EXPECT_FALSE(driver_->RebuildKeys(path, base).ok());
  }
}

TEST_F(Store, DefinitionWithAGapBetweenItsPartsIsDamaged) {
  TableContent t;
  t.definition = DefinitionOf(workdata::HeaderLayout());  // stored in several parts
  auto records = TableRecords(t);
  ASSERT_TRUE(records.ok());
  RawRecord* last = nullptr;
  for (RawRecord& r : *records)
    if (Byte(r.bytes, 4) == rec::kDefinition &&
        (last == nullptr || LoadU16LE(r.bytes, 5) > LoadU16LE(last->bytes, 5)))
      last = &r;
  ASSERT_TRUE(last != nullptr && LoadU16LE(last->bytes, 5) > 0);
  const uint16_t renumbered = LoadU16LE(last->bytes, 5) + 1;  // same bytes, one part missing
  last->bytes[5] = static_cast<char>(renumbered);
  last->bytes[6] = static_cast<char>(renumbered >> 8);
  auto bytes = BuildFile(0, 5, std::move(*records));
  ASSERT_TRUE(bytes.ok()) << bytes.status().message();
  EXPECT_FALSE(Reader::OpenBytes(std::move(*bytes)).ok());
}

// A line file whose index was damaged by `damage` (applied to its records before building).
std::string DamagedIndexFile(const std::vector<std::string>& lines,
                             const std::function<void(std::vector<RawRecord>&)>& damage) {
  TableContent t;
  t.definition = DefinitionOf(workdata::LineLayout());
  for (size_t i = 0; i < lines.size(); ++i)
    t.rows.push_back({static_cast<uint32_t>(i + 2), lines[i]});
  auto records = TableRecords(t);
  EXPECT_TRUE(records.ok());
  damage(*records);
  auto bytes = BuildFile(0, 5, std::move(*records));
  EXPECT_TRUE(bytes.ok()) << bytes.status().message();
  return *bytes;
}

RawRecord* IndexEntry(std::vector<RawRecord>& records, uint32_t number) {
  for (RawRecord& r : records)
    if (r.bytes.size() > 9 && r.bytes[4] == 0 && LoadU32BE(r.bytes, r.bytes.size() - 4) == number)
      return &r;
  return nullptr;
}

TEST_F(Store, UnusableIndexMustBeRebuiltAndIsThenSortedInMemory) {
  const Layout& layout = workdata::LineLayout();
  std::vector<std::string> scrambled = {Line(5, 2), Line(4, 1), Line(5, 1), Line(3, 9)};
  std::vector<std::function<void(std::vector<RawRecord>&)>> damages = {
      [](auto& r) { IndexEntry(r, 3)->bytes.back() = 40; },                 // points at no row
      [](auto& r) { IndexEntry(r, 3)->bytes[8] = 9; },                      // another key value
      [](auto& r) { r.erase(r.begin() + (IndexEntry(r, 4) - r.data())); },  // a row left out
      [](auto& r) { IndexEntry(r, 5)->bytes.back() = 4; },                  // a row named twice
  };
  for (size_t i = 0; i < 2 * damages.size(); ++i) {
    SCOPED_TRACE(i);
    // The same damage to rows stored in key order and out of it.
    std::vector<std::string> lines =
        i < damages.size() ? scrambled : SortedByKey(layout, scrambled);
    std::string path = temp_.File("eRACUNIP" + std::to_string(i) + ".TPS");
    std::string bytes = DamagedIndexFile(lines, damages[i % damages.size()]);
    WriteFileOrDie(path, bytes);
    auto r = driver_->Open(path, layout, {});
    EXPECT_EQ(r.outcome, OpenOutcome::kKeyMustBeRebuilt) << r.driver_text;
    EXPECT_EQ(r.error_code, kErrKeyMustBeRebuilt);
    ASSERT_TRUE(driver_->RebuildKeys(path, layout).ok());
    EXPECT_EQ(ReadFileOrEmpty(path), bytes);  // the work file is never written
    EXPECT_EQ(ReadAll(*driver_, path, layout), SortedByKey(layout, lines));
  }
}

TEST_F(Store, RowsThatAnOptKeyLeavesOutAreStillWalked) {
  // A producer's key may exclude null values; identifier 0 must still be read, first.
  const Layout& layout = workdata::HeaderLayout();
  std::vector<std::string> headers = {Header(2, "b"), Header(0, "zero"), Header(1, "a"),
                                      Header(0, "zero2")};
  TableContent t;
  t.definition = DefinitionOf(layout);
  t.definition.keys[0].flags = key_flag::kOpt | key_flag::kDup;
  for (size_t i = 0; i < headers.size(); ++i)
    t.rows.push_back({static_cast<uint32_t>(i + 2), headers[i]});
  FileContent content;
  content.tables.push_back(t);
  auto bytes = BuildFile(content);
  ASSERT_TRUE(bytes.ok());
  std::string path = temp_.File("eRACUNI.TPS");
  WriteFileOrDie(path, *bytes);
  auto reader = Reader::OpenBytes(*bytes);
  ASSERT_TRUE(reader.ok());
  EXPECT_EQ((*reader)->tables()[0].counters.at(0).count, 2u);  // no entries for the zeros
  std::vector<std::string> numbers;
  RecordBuffer b(layout);
  for (const std::string& r : ReadAll(*driver_, path, layout)) {
    b.Assign(r);
    numbers.emplace_back(b.Clipped(workdata::eRACUNI::STEVILKARACUNA));
  }
  EXPECT_EQ(numbers, (std::vector<std::string>{"zero", "zero2", "a", "b"}));
}

}  // namespace
}  // namespace eracuni::tps
