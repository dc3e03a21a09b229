// Runs the built eracuni-workdata program as a user would.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "framework/platform.h"
#include "framework/testing/fakes.h"
#include "tests/support/program_output.h"
#include "workdata/field.h"
#include "workdata/json_mapping.h"
#include "workdata/testing/memory_table_driver.h"

namespace eracuni::workdata {
namespace {

using eracuni::testing::ProgramOutput;
using eracuni::testing::ReadFileOrEmpty;
using eracuni::testing::RunProgram;
using eracuni::testing::TempDir;
using eracuni::testing::WriteFileOrDie;

class WorkDataToolTest : public ::testing::Test {
 protected:
  ProgramOutput Tool(const std::vector<std::string>& args) {
    ProgramOutput r = RunProgram(ERACUNI_WORKDATA_TOOL, args);
    EXPECT_NE(r.exit_code, -1) << "the tool did not run";
    return r;
  }
  std::string Folder() {
    std::string dir = tmp_.File("work");
    std::filesystem::create_directory(dir);
    return dir;
  }
  std::vector<std::string> Entries(const std::string& dir) {
    auto list = SystemFileSystem().ListDirectory(dir);
    return list.ok() ? *list : std::vector<std::string>{};
  }
  std::string Json(const std::string& text) {
    WriteFileOrDie(tmp_.File("in.json"), text);
    return tmp_.File("in.json");
  }

  TempDir tmp_;
};

std::vector<std::string> InKeyOrder(const Layout& layout, std::vector<std::string> records) {
  std::stable_sort(records.begin(), records.end(), [&](const std::string& a, const std::string& b) {
    return testing::CompareKeys(layout, a, b) < 0;
  });
  return records;
}

TEST_F(WorkDataToolTest, CreateThenDumpGivesEveryRecordInKeyOrder) {
  const std::string input = R"({
    "eRACUNI": [
      {"IDENTRACUN": 7, "STEVILKARACUNA": "ČŠŽčšž-1234567890123456789012345678",
       "NAZIVPARTNERJA1": "Žito d.d.", "KODAVALUTE": "EUR"},
      {"IDENTRACUN": 0, "STEVILKARACUNA": "ničelni"},
      {"IDENTRACUN": 4294967295, "STEVILKARACUNA": "zadnji"},
      {"IDENTRACUN": 3}
    ],
    "eRACUNIP": [
      {"IDENTRACUN": 7, "ZAPSTEVPOST": 2, "OPISARTIKLA1": "Vijak"},
      {"IDENTRACUN": 7, "ZAPSTEVPOST": 1, "KOLICINA": "1.00"},
      {"IDENTRACUN": 55, "ZAPSTEVPOST": 1, "OPISARTIKLA1": "brez glave"},
      {"IDENTRACUN": 0, "ZAPSTEVPOST": 9}
    ],
    "eRACPRIL": [
      {"IDENTRACUN": 7, "ZAPSTEV": 2, "IMEPRILOGE": "r.pdf", "FORMATPRILOGE": "PDF"},
      {"IDENTRACUN": 7, "ZAPSTEV": 1, "IMEPRILOGE": "račun.xml", "FORMATPRILOGE": "XML"},
      {"IDENTRACUN": 99, "ZAPSTEV": 1, "IMEPRILOGE": "sirota.pdf"}
    ]})";
  auto expected = WorkDataFromJson(input);
  ASSERT_TRUE(expected.ok()) << expected.status().ToString();
  const std::string dir = Folder();

  ProgramOutput created = Tool({"create", "--from", Json(input), "--into", dir});
  ASSERT_EQ(created.exit_code, 0) << created.err;
  EXPECT_EQ(Entries(dir),
            (std::vector<std::string>{"eRACPRIL.TPS", "eRACUNI.TPS", "eRACUNIP.TPS"}));

  ProgramOutput dumped = Tool({"dump", dir});
  ASSERT_EQ(dumped.exit_code, 0) << dumped.err;
  auto back = WorkDataFromJson(dumped.out);
  ASSERT_TRUE(back.ok()) << back.status().ToString() << "\n" << dumped.out;
  EXPECT_EQ(back->headers, InKeyOrder(HeaderLayout(), expected->headers));
  EXPECT_EQ(back->lines, InKeyOrder(LineLayout(), expected->lines));
  EXPECT_EQ(back->attachments, InKeyOrder(AttachmentLayout(), expected->attachments));
  EXPECT_NE(dumped.out.find(R"("NAZIVPARTNERJA1": "Žito d.d.")"), std::string::npos);

  ProgramOutput all = Tool({"dump", "--all", dir});
  ASSERT_EQ(all.exit_code, 0) << all.err;
  EXPECT_NE(all.out.find(R"("TEKST4NOGA": "")"), std::string::npos);

  // A second create replaces the files.
  ASSERT_EQ(Tool({"create", "--from", Json("{}"), "--into", dir}).exit_code, 0);
  EXPECT_EQ(Tool({"dump", dir}).out,
            "{\n  \"eRACUNI\": [],\n  \"eRACUNIP\": [],\n  \"eRACPRIL\": []\n}\n");
}

TEST_F(WorkDataToolTest, BadInputIsRefusedWithoutWritingAnything) {
  struct Case {
    const char* json;
    const char* error;
  };
  const Case cases[] = {
      {R"({"eRACUNI": [{"IDENTRACUN": 1}, {"NEPOLJE": 1}]})", "eRACUNI[1].NEPOLJE"},
      {R"({"eRACUNI": [{"GLAVARACUNA": ""}]})", "eRACUNI[0].GLAVARACUNA: is a group"},
      {R"({"eRACPRIL": [{"IMEPRILOGE": "€ ok, ∑ not"}]})",
       "eRACPRIL[0].IMEPRILOGE: character U+2211"},
      {R"({"eRACUNIP": [{"ENOTAMERE": "KOS12"}]})", "eRACUNIP[0].ENOTAMERE: text of 5"},
      {R"({"eRACPRIL": [{"ZAPSTEV": 70000}]})", "eRACPRIL[0].ZAPSTEV: number out of range"},
      {R"({"eRACUNIP": [{"ZAPSTEVPOST": 2.5}]})", "eRACUNIP[0].ZAPSTEVPOST: must be an integer"},
      {R"({"eRACUNI": [{"KODAVALUTE": true}]})", "eRACUNI[0].KODAVALUTE: must be a string"},
      {R"({"eRACUNI": [)", "malformed JSON"},
      {R"({"eRACUNI": [], "racuni": []})", "unknown top-level key \"racuni\""},
  };
  const std::string dir = Folder();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.json);
    ProgramOutput o = Tool({"create", "--from", Json(c.json), "--into", dir});
    EXPECT_EQ(o.exit_code, 2);
    EXPECT_NE(o.err.find(c.error), std::string::npos) << o.err;
    EXPECT_EQ(std::count(o.err.begin(), o.err.end(), '\n'), 1) << "one line: " << o.err;
    EXPECT_TRUE(Entries(dir).empty());
  }
}

TEST_F(WorkDataToolTest, FailedWriteLeavesTheFolderAsItWas) {
  const std::string dir = Folder();
  ASSERT_EQ(Tool({"create", "--from", Json(R"({"eRACUNI": [{"IDENTRACUN": 1}]})"), "--into", dir})
                .exit_code,
            0);
  const std::string before = ReadFileOrEmpty(dir + "/eRACUNI.TPS");
  // A folder where the second file's temporary file must go makes that write fail.
  ASSERT_TRUE(std::filesystem::create_directory(dir + "/.eRACUNIP.TPS.new"));
  ProgramOutput o =
      Tool({"create", "--from", Json(R"({"eRACUNI": [{"IDENTRACUN": 2}]})"), "--into", dir});
  EXPECT_EQ(o.exit_code, 1) << o.err;
  EXPECT_NE(o.err.find("eRACUNIP.TPS"), std::string::npos) << o.err;
  EXPECT_EQ(ReadFileOrEmpty(dir + "/eRACUNI.TPS"), before);
  EXPECT_EQ(Entries(dir), (std::vector<std::string>{".eRACUNIP.TPS.new", "eRACPRIL.TPS",
                                                    "eRACUNI.TPS", "eRACUNIP.TPS"}));
}

// The low-level commands reach the TopSpeed tool functions: a copied file reads back the same.
TEST_F(WorkDataToolTest, CopyTpsKeepsTheRecordsAndDumpTpsShowsThem) {
  const std::string dir = Folder();
  ASSERT_EQ(Tool({"create", "--from",
                  Json(R"({"eRACUNI": [{"IDENTRACUN": 5}, {"IDENTRACUN": 2}]})"), "--into", dir})
                .exit_code,
            0);
  const std::string original = Tool({"dump", dir}).out;
  ProgramOutput copy = Tool({"copy-tps", dir + "/eRACUNI.TPS", tmp_.File("copy.TPS")});
  ASSERT_EQ(copy.exit_code, 0) << copy.err;
  ASSERT_TRUE(SystemFileSystem().RenameFile(tmp_.File("copy.TPS"), dir + "/eRACUNI.TPS").ok());
  EXPECT_EQ(Tool({"dump", dir}).out, original);

  ProgramOutput raw = Tool({"dump-tps", dir + "/eRACUNI.TPS"});
  EXPECT_EQ(raw.exit_code, 0) << raw.err;
  EXPECT_NE(raw.out.find("IDENTRACUN"), std::string::npos);
  EXPECT_EQ(Tool({"dump-tps", tmp_.File("nothing.TPS")}).exit_code, 2);
}

TEST_F(WorkDataToolTest, UsageAndMissingFiles) {
  for (const std::vector<std::string>& args :
       std::vector<std::vector<std::string>>{{},
                                             {"frobnicate"},
                                             {"create", "--from", "x.json"},
                                             {"create", "--into"},
                                             {"dump"},
                                             {"dump", "a", "b"}}) {
    ProgramOutput o = Tool(args);
    EXPECT_EQ(o.exit_code, 2) << o.err;
    EXPECT_NE(o.err.find("usage: eracuni-workdata"), std::string::npos) << o.err;
  }
  EXPECT_EQ(Tool({"--help"}).exit_code, 0);

  ProgramOutput missing = Tool({"create", "--from", tmp_.File("none.json"), "--into", Folder()});
  EXPECT_EQ(missing.exit_code, 2);
  EXPECT_NE(missing.err.find("none.json"), std::string::npos) << missing.err;

  ProgramOutput empty = Tool({"dump", Folder()});
  EXPECT_EQ(empty.exit_code, 2);
  EXPECT_NE(empty.err.find("eRACUNI.TPS"), std::string::npos) << empty.err;
}

}  // namespace
}  // namespace eracuni::workdata
