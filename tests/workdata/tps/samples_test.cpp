#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <sstream>

#include "framework/testing/fakes.h"
#include "test_records.h"
#include "workdata/tps/coding.h"
#include "workdata/tps/reader.h"
#include "workdata/tps/tps_tool.h"

namespace eracuni::tps {
namespace {

using Json = nlohmann::json;

class Samples : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = testing::SampleDir();
    if (dir_.empty()) GTEST_SKIP() << "no shared folder with tps-samples/ beside the sources";
  }
  std::string Path(const std::string& name) const { return dir_ + name; }
  Json Dump(const std::string& path) const {
    std::ostringstream out, err;
    EXPECT_EQ(DumpTps(path, out, err), 0) << err.str();
    return Json::parse(out.str());
  }
  std::vector<uint32_t> RecordNumbers(const Json& table) const {
    std::vector<uint32_t> n;
    for (const Json& r : table["records"]) n.push_back(r["record"]);
    return n;
  }
  std::string dir_;
  eracuni::testing::TempDir temp_;
};

std::vector<uint32_t> Range(uint32_t from, uint32_t to) {
  std::vector<uint32_t> v;
  for (uint32_t i = from; i <= to; ++i) v.push_back(i);
  return v;
}

TEST_F(Samples, EmptyTableShowsItsDefinition) {
  Json t = Dump(Path("MAILLINK.TPS"))["tables"];
  ASSERT_EQ(t.size(), 1u);
  EXPECT_EQ(t[0]["name"], "UNNAMED");
  EXPECT_TRUE(t[0]["records"].empty());
  const Json& def = t[0]["definition"];
  EXPECT_EQ(def["record_length"], 28);
  ASSERT_EQ(def["fields"].size(), 4u);
  EXPECT_EQ(def["fields"][0]["name"], "MLK:GUID");
  EXPECT_EQ(def["fields"][0]["type"], "STRING");
  EXPECT_EQ(def["fields"][3]["type"], "TIME");
  EXPECT_EQ(def["fields"][3]["offset"], 24);
  ASSERT_EQ(def["keys"].size(), 2u);
  EXPECT_EQ(def["keys"][0]["flags"], 0x14);
  EXPECT_EQ(def["keys"][1]["name"], "MLK:DATEKEY");
  EXPECT_EQ(def["keys"][1]["components"][1]["name"], "MLK:EXPIRYTIME");
}

TEST_F(Samples, EveryRowIsReadWithItsRecordNumber) {
  Json link = Dump(Path("LINKCOUN.TPS"))["tables"][0];
  EXPECT_EQ(RecordNumbers(link), Range(2, 14));
  EXPECT_EQ(link["records"][0]["values"],
            (Json{{"LCS:CODE", 1}, {"LCS:COUNTRYCODE", 4}, {"LCS:SHIPPERCODE", 1}}));
  EXPECT_EQ(link["definition"]["keys"][2]["attributes"], (Json{"DUP", "OPT", "NOCASE"}));

  Json batch = Dump(Path("BATCH10001.TPS"))["tables"][0];
  EXPECT_EQ(RecordNumbers(batch), Range(2, 10002));
  EXPECT_EQ(batch["records"][10000]["values"],
            (Json{{"BAT:ID", 10001}, {"BAT:VALUE", "row 10001"}}));
}

TEST_F(Samples, ThreeLevelTreeIsWalkedLeafByLeaf) {
  auto reader = Reader::OpenBytes(eracuni::testing::ReadFileOrEmpty(Path("BATCH10001.TPS")));
  ASSERT_TRUE(reader.ok()) << reader.status().message();
  auto root = (*reader)->LoadPage((*reader)->header().root);
  ASSERT_TRUE(root.ok());
  EXPECT_EQ((*root)->header().level, 2);
  // The key index, in key order, names every row once.
  uint32_t expected = 2, entries = 0;
  Status s = (*reader)->Scan(TablePrefix(1, 0), [&](std::string_view e, uint16_t) {
    EXPECT_EQ(LoadU32BE(e, e.size() - 4), expected++);
    ++entries;
    return Status::Ok();
  });
  EXPECT_TRUE(s.ok()) << s.message();
  EXPECT_EQ(entries, 10001u);
}

TEST_F(Samples, TablesOfOneFileShareTheNumberCounter) {
  Json tables = Dump(Path("SUPERFILE.TPS"))["tables"];
  ASSERT_EQ(tables.size(), 2u);
  EXPECT_EQ(tables[0]["number"], 1);
  EXPECT_EQ(tables[0]["name"], "UNNAMED");
  EXPECT_EQ(RecordNumbers(tables[0]), Range(2, 2));
  EXPECT_EQ(tables[1]["number"], 3);
  EXPECT_EQ(tables[1]["name"], "DETAIL");
  EXPECT_EQ(RecordNumbers(tables[1]), Range(4, 4));
  EXPECT_EQ(tables[1]["records"][0]["values"]["SDT:TEXT"], "detail row");
}

TEST_F(Samples, DecimalsAreDecimalTexts) {
  Json detail = Dump(Path("DETAIL.TPS"))["tables"][0];
  ASSERT_EQ(detail["records"].size(), 27u);
  EXPECT_EQ(detail["definition"]["fields"].size(), 14u);
  const Json& first = detail["records"][0]["values"];
  EXPECT_EQ(first["DTL:QuantityOrdered"], "5.00");
  EXPECT_EQ(first["DTL:TaxRate"], "6.0000");
  EXPECT_EQ(first["DTL:Savings"], "-0.26");
  EXPECT_EQ(first["DTL:TotalCost"], "37.76");
  EXPECT_EQ(first["DTL:LineNumber"], 1);
  const Json& total = detail["definition"]["fields"][13];
  EXPECT_EQ(total["type"], "DECIMAL");
  EXPECT_EQ(total["length"], 6);
  EXPECT_EQ(total["decimal_places"], 2);
}

TEST_F(Samples, CopyOfAFreshFileIsByteForByteTheSame) {
  for (const char* name : {"MAILLINK.TPS", "LINKCOUN.TPS", "SUPERFILE.TPS"}) {
    std::ostringstream err;
    std::string copy = temp_.File(name);
    ASSERT_EQ(CopyTps(Path(name), copy, err), 0) << err.str();
    EXPECT_TRUE(eracuni::testing::ReadFileOrEmpty(copy) ==
                eracuni::testing::ReadFileOrEmpty(Path(name)))
        << name;
  }
}

TEST_F(Samples, CopyOfAnEditedFileReadsBackTheSame) {
  for (const char* name : {"DETAIL.TPS", "BATCH10001.TPS"}) {
    std::ostringstream err;
    std::string copy = temp_.File(name);
    ASSERT_EQ(CopyTps(Path(name), copy, err), 0) << err.str();
    Json a = Dump(Path(name)), b = Dump(copy);
    EXPECT_EQ(a["tables"], b["tables"]) << name;
    EXPECT_EQ(a["file"]["last_issued"], b["file"]["last_issued"]);
    EXPECT_EQ(a["file"]["changes"], b["file"]["changes"]);
    EXPECT_LE(b["file"]["length"], a["file"]["length"]);
  }
}

TEST_F(Samples, BadInputIsExitCodeTwoWithOneLine) {
  std::ostringstream out, err;
  EXPECT_EQ(DumpTps(temp_.File("missing.TPS"), out, err), 2);
  eracuni::testing::WriteFileOrDie(
      temp_.File("short.TPS"),
      eracuni::testing::ReadFileOrEmpty(Path("LINKCOUN.TPS")).substr(0, 1000));
  EXPECT_EQ(CopyTps(temp_.File("short.TPS"), temp_.File("copy.TPS"), err), 2);
  EXPECT_FALSE(eracuni::testing::ReadFileOrEmpty(temp_.File("copy.TPS")).size());
  std::string text = err.str();
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 2) << text;
}

}  // namespace
}  // namespace eracuni::tps
