#include <gtest/gtest.h>

#include <random>
#include <sstream>

#include "framework/testing/fakes.h"
#include "test_records.h"
#include "workdata/tps/coding.h"
#include "workdata/tps/reader.h"
#include "workdata/tps/tps_store.h"
#include "workdata/tps/tps_tool.h"

namespace eracuni::tps {
namespace {

using eracuni::testing::ReadFileOrEmpty;
using eracuni::testing::TempDir;
using eracuni::testing::WriteFileOrDie;

// Reads every row and follows every index entry to its row; the first error, if any.
// `rows` counts the rows read.
Status ReadEverything(std::string bytes, size_t* rows = nullptr) {
  auto reader = Reader::OpenBytes(std::move(bytes));
  if (!reader.ok()) return reader.status();
  Reader& r = **reader;
  for (const TableInfo& t : r.tables()) {
    Status s = r.ScanRows(t, [&](uint32_t, std::string_view) {
      if (rows) ++*rows;
      return Status::Ok();
    });
    if (!s.ok()) return s;
    Cursor rows(r);
    for (size_t k = 0; k < t.definition.keys.size(); ++k) {
      s = r.Scan(TablePrefix(t.number, static_cast<uint8_t>(k)), [&](std::string_view e, uint16_t) {
        std::string_view row;
        Status found =
            e.size() >= 9 ? r.FindRow(t, LoadU32BE(e, e.size() - 4), rows, &row) : Status::Ok();
        return found.Is(Status::Code::kNotFound) ? Status::Ok() : found;
      });
      if (!s.ok()) return s;
    }
  }
  return Status::Ok();
}

// Claims `size` bytes in the header, so that a cut file is parsed past its header.
std::string WithLength(std::string bytes, uint32_t size) {
  if (bytes.size() >= 0x0E)
    for (size_t at : {0x06, 0x0A}) StoreU32LE(&bytes, at, size);
  return bytes;
}

class Robustness : public ::testing::Test {
 protected:
  void SetUp() override {
    for (uint32_t i = 0; i < 40; ++i)
      lines_.push_back(testing::FilledRecord(workdata::LineLayout(), {i / 3, i % 3}));
    path_ = temp_.File("eRACUNIP.TPS");
    ASSERT_TRUE(WriteTable(eracuni::PosixFileSystem(), path_, workdata::LineLayout(), lines_).ok());
    own_ = ReadFileOrEmpty(path_);
  }
  std::string Sample(const std::string& name) {
    std::string dir = testing::SampleDir();
    return dir.empty() ? "" : ReadFileOrEmpty(dir + name);
  }
  TempDir temp_;
  std::vector<std::string> lines_;
  std::string path_, own_;
};

TEST_F(Robustness, OwnFileHasSeveralLevels) {
  auto reader = Reader::OpenBytes(own_);
  ASSERT_TRUE(reader.ok());
  auto root = (*reader)->LoadPage((*reader)->header().root);
  ASSERT_TRUE(root.ok());
  EXPECT_GE((*root)->header().level, 1);
  EXPECT_TRUE(ReadEverything(own_).ok());
}

TEST_F(Robustness, CursorsKeepingHeadsAndWholeRecordsShareOneCache) {
  auto reader = Reader::OpenBytes(own_);
  ASSERT_TRUE(reader.ok());
  Cursor heads(**reader, 20), whole(**reader);
  std::string key = DataKey(1, 40), row = key + lines_[38];  // a leaf the open did not read
  heads.Seek(key);
  ASSERT_TRUE(heads.Valid());
  EXPECT_EQ(heads.record_length(), row.size());
  EXPECT_EQ(heads.record(), row.substr(0, Page::kMinHead));
  whole.Seek(key);
  ASSERT_TRUE(whole.Valid());
  EXPECT_EQ(whole.record(), row);  // not the heads cached just before
}

TEST_F(Robustness, EveryTruncationIsAnErrorOrReadsSafely) {
  std::vector<std::string> files = {own_, Sample("DETAIL.TPS"), Sample("LINKCOUN.TPS")};
  for (const std::string& file : files) {
    size_t all = 0;
    ASSERT_TRUE(file.empty() || ReadEverything(file, &all).ok());
    for (size_t n = 0; n < file.size(); ++n) {
      std::string cut = file.substr(0, n);
      ASSERT_FALSE(ReadEverything(cut).ok()) << n;
      size_t rows = 0;
      if (ReadEverything(WithLength(cut, static_cast<uint32_t>(n)), &rows).ok()) {
        EXPECT_EQ(rows, all) << n;  // never silently fewer
      }
    }
  }
}

TEST_F(Robustness, RandomByteFlipsGiveRecordsOrErrors) {
  std::mt19937 random(20261208);
  auto flip = [&](std::string bytes) {
    for (int i = 1 + random() % 4; i > 0; --i)
      bytes[random() % bytes.size()] ^= static_cast<char>(1 + random() % 255);
    return bytes;
  };
  auto driver = NewTopSpeedDriver(eracuni::PosixFileSystem());
  // Damage is an error, or every row is still there: never silently fewer.
  for (int i = 0; i < 1500; ++i) {
    std::string bytes = flip(own_);
    size_t rows = 0;
    if (ReadEverything(bytes, &rows).ok()) {
      EXPECT_EQ(rows, lines_.size()) << i;
    }
    if (i % 3) continue;
    WriteFileOrDie(path_, bytes);
    workdata::OpenOutcome outcome;
    std::vector<std::string> read =
        testing::ReadAll(*driver, path_, workdata::LineLayout(), &outcome);
    if (outcome == workdata::OpenOutcome::kKeyMustBeRebuilt &&
        driver->RebuildKeys(path_, workdata::LineLayout()).ok())
      read = testing::ReadAll(*driver, path_, workdata::LineLayout(), &outcome);
    if (outcome == workdata::OpenOutcome::kOk) {
      EXPECT_EQ(read.size(), lines_.size()) << i;
    }
  }
  std::string detail = Sample("DETAIL.TPS");
  if (detail.empty()) GTEST_SKIP() << "no shared folder with tps-samples/ beside the sources";
  std::string damaged = temp_.File("DETAIL.TPS");
  for (int i = 0; i < 1500; ++i) {
    std::string bytes = flip(detail);
    ReadEverything(bytes).ok();
    if (i % 3) continue;
    WriteFileOrDie(damaged, bytes);
    std::ostringstream out, err;
    int rc = DumpTps(damaged, out, err);
    EXPECT_TRUE(rc == 0 || rc == 2);
  }
}

TEST_F(Robustness, DamagedTreesAreErrors) {
  uint32_t root = LoadU32LE(own_, 0x1C);
  size_t at = PageOffset(root);
  auto with = [&](size_t offset, uint32_t value) {
    std::string b = own_;
    StoreU32LE(&b, offset, value);
    return b;
  };
  EXPECT_FALSE(ReadEverything(with(at + 13, root)).ok());  // a child is its parent
  EXPECT_FALSE(ReadEverything(with(at + 17, LoadU32LE(own_, at + 13))).ok());  // a leaf twice
  EXPECT_FALSE(ReadEverything(with(0x1C, 0x00FFFFFF)).ok());                   // root past the end
  EXPECT_FALSE(ReadEverything(with(at + 13, 0xFFFFFFF0)).ok());                // child past the end
  std::string many = own_;
  many[at + 10] = many[at + 11] = '\xFF';  // 65535 children announced
  EXPECT_FALSE(ReadEverything(many).ok());
  std::string other = own_;
  other[0] = 1;  // encrypted files start so
  EXPECT_FALSE(ReadEverything(other).ok());
}

}  // namespace
}  // namespace eracuni::tps
