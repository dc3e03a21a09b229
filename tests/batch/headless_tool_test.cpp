// The headless program itself, started over real work files in a folder of their own.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "framework/platform.h"
#include "framework/testing/fakes.h"
#include "tests/support/program_output.h"
#include "workdata/fields.h"
#include "workdata/record_buffer.h"
#include "workdata/tps/tps_store.h"

namespace eracuni::batch::testing {
namespace {

using eracuni::testing::RunProgram;
using ::testing::EndsWith;
using ::testing::HasSubstr;
using ::testing::Not;
using ::testing::StartsWith;
namespace H = workdata::eRACUNI;
namespace P = workdata::eRACPRIL;

// A folder with RUZeZUD.INI, the work files in work/ and the output folder out/.
class ToolTest : public ::testing::Test {
 protected:
  ToolTest() {
    std::filesystem::create_directory(dir_.File("work"));
    std::filesystem::create_directory(dir_.File("out"));
  }
  void WriteIni(const std::string& extra = {}) {
    eracuni::testing::WriteFileOrDie(
        dir_.File("RUZeZUD.INI"), "[GLOBAL]\r\nPotDoEracunov=" + dir_.File("work/") +
                                      "\r\nPotDoXMLRACUNI=" + dir_.File("out/") + "\r\n" + extra);
  }
  void WriteWorkData(const std::vector<std::string>& headers,
                     const std::vector<std::string>& attachments) {
    FileSystem& fs = SystemFileSystem();
    ASSERT_TRUE(
        tps::WriteTable(fs, dir_.File("work/eRACUNI.TPS"), workdata::HeaderLayout(), headers).ok());
    ASSERT_TRUE(
        tps::WriteTable(fs, dir_.File("work/eRACUNIP.TPS"), workdata::LineLayout(), {}).ok());
    ASSERT_TRUE(tps::WriteTable(fs, dir_.File("work/eRACPRIL.TPS"), workdata::AttachmentLayout(),
                                attachments)
                    .ok());
  }
  eracuni::testing::TempDir dir_;
};

TEST_F(ToolTest, ConvertsTheWorkDataAndPrintsWhereTheResultIs) {
  WriteIni();
  workdata::RecordBuffer h(workdata::HeaderLayout());
  h.SetU32(H::IDENTRACUN, 1);
  h.SetText(H::STEVILKARACUNA, "R-7");
  h.SetText(H::VRSTARACUNA, "380");
  h.SetText(H::NAZIVBANKE2, "LJBASI2X");
  workdata::RecordBuffer a(workdata::AttachmentLayout());
  a.SetU32(P::IDENTRACUN, 1);
  a.SetU16(P::ZAPSTEV, 1);
  a.SetText(P::IMEPRILOGE, "R-7.XML");
  a.SetText(P::POTDOPRILOGE, dir_.File("out/"));
  a.SetText(P::FORMATPRILOGE, "XML");
  WriteWorkData({std::string(h.bytes())}, {std::string(a.bytes())});

  eracuni::testing::ProgramOutput r = RunProgram(ERACUNI_BATCH_TOOL, {dir_.path()});
  EXPECT_EQ(r.exit_code, 0) << r.err;
  EXPECT_EQ(r.err, "");
  EXPECT_THAT(r.out, HasSubstr("\n" + dir_.File("out/") + "\neOvojnica_R-7_"));
  // The run report's path follows on the last line.
  std::string report = r.out.substr(r.out.rfind('\n', r.out.size() - 2) + 1);
  EXPECT_THAT(report, StartsWith(dir_.File("out/eOvojnica_R-7_")));
  EXPECT_THAT(report, EndsWith(".html\n"));
  EXPECT_TRUE(SystemFileSystem().Exists(report.substr(0, report.size() - 1)));
  EXPECT_TRUE(SystemFileSystem().Exists(dir_.File("out/R-7.XML")));
}

TEST_F(ToolTest, MessagesGoToStandardErrorAndTheExitCodeIsOne) {
  WriteIni();
  workdata::RecordBuffer h(workdata::HeaderLayout());
  h.SetU32(H::IDENTRACUN, 1);
  h.SetText(H::STEVILKARACUNA, "R-8");  // no "XML" attachment
  WriteWorkData({std::string(h.bytes())}, {});
  eracuni::testing::ProgramOutput r = RunProgram(ERACUNI_BATCH_TOOL, {dir_.path()});
  EXPECT_EQ(r.exit_code, 1) << r.err;
  EXPECT_EQ(
      r.err,
      "NAPAKA v eRACPRIL.TPS:  V podatkih prilog ne obstaja ime datoteke eRa\xC4\x8Duna R-8 v "
      "XML obliki \n\n Obdelava bo prekinjena.\n"
      "OPOZORILO:  Noben e-ra\xC4\x8Dun ni bil izdelan, zato ovojnica ni izdelana.\n");
  // Nothing was made, so nothing is named; only the run report's path.
  EXPECT_THAT(r.out, Not(HasSubstr(".XML")));
}

// A package that was not made is never named: no result on standard output, exit code 1.
TEST_F(ToolTest, FailedOrMissingArchiverNamesNoPackage) {
  std::vector<std::string> archivers = {dir_.File("nowhere/7za")};
#ifndef _WIN32
  archivers.push_back(dir_.File("7za-fails"));
  eracuni::testing::WriteFileOrDie(archivers.back(), "#!/bin/sh\nexit 2\n");
  std::filesystem::permissions(archivers.back(), std::filesystem::perms::owner_exec,
                               std::filesystem::perm_options::add);
#endif
  workdata::RecordBuffer h(workdata::HeaderLayout());
  h.SetU32(H::IDENTRACUN, 1);
  h.SetText(H::STEVILKARACUNA, "R-9");
  h.SetText(H::NAZIVBANKE2, "BAKOSI2X");  // channel K: a package
  workdata::RecordBuffer a(workdata::AttachmentLayout());
  a.SetU32(P::IDENTRACUN, 1);
  a.SetU16(P::ZAPSTEV, 1);
  a.SetText(P::IMEPRILOGE, "R-9.XML");
  a.SetText(P::FORMATPRILOGE, "XML");
  WriteWorkData({std::string(h.bytes())}, {std::string(a.bytes())});
  const char* path = std::getenv("PATH");
  const std::string old_path = path ? path : "";
  for (const std::string& archiver : archivers) {
    WriteIni("PotDo7zG=" + archiver + "\r\n");
    eracuni::testing::SetEnv("PATH", "/nonexistent");  // no 7za to fall back on
    eracuni::testing::ProgramOutput r = RunProgram(ERACUNI_BATCH_TOOL, {dir_.path()});
    eracuni::testing::SetEnv("PATH", old_path);
    EXPECT_EQ(r.exit_code, 1) << archiver;
    EXPECT_THAT(r.out, Not(HasSubstr(".ZIP"))) << archiver;
    EXPECT_THAT(r.err, HasSubstr("7za STISKANJE")) << archiver;
  }
}

TEST_F(ToolTest, NoInvoicesIsNotARun) {
  WriteIni();
  WriteWorkData({}, {});
  eracuni::testing::ProgramOutput r = RunProgram(ERACUNI_BATCH_TOOL, {dir_.path()});
  EXPECT_EQ(r.exit_code, 2);
  EXPECT_EQ(r.out, "");
  EXPECT_THAT(r.err, HasSubstr("OPOZORILO:  Delovni podatki e-Ra\xC4\x8Dunov ne obstajajo !\n"));
  EXPECT_THAT(r.err, HasSubstr("INFORMACIJA:  Ni nobenega ra\xC4\x8Duna"));
}

}  // namespace
}  // namespace eracuni::batch::testing
