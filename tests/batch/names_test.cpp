#include "batch/names.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "batch/commands.h"
#include "framework/testing/fakes.h"

namespace eracuni::batch {
namespace {

using ::testing::ElementsAre;

constexpr LocalDateTime k5March{2018, 3, 5, 12, 0, 0, 0};
constexpr LocalDateTime k17December{2018, 12, 17, 12, 0, 0, 0};

TEST(DeriveChannel, ExactFourLetterPrefixesAndUjp) {
  EXPECT_EQ(DeriveChannel(0, "BAKOSI2X"), 'K');
  EXPECT_EQ(DeriveChannel(0, "bakosi2x"), 'O');
  EXPECT_EQ(DeriveChannel(0, "SZKBSI2X"), 'D');
  EXPECT_EQ(DeriveChannel(0, "KBMASI2X"), 'M');
  EXPECT_EQ(DeriveChannel(0, "GORESI2X"), 'G');
  EXPECT_EQ(DeriveChannel(0, "BAK"), 'O');
  EXPECT_EQ(DeriveChannel(0, ""), 'O');
  EXPECT_EQ(DeriveChannel(1, "BAKOSI2X"), 'U');
}

TEST(Names, EnvelopeByChannelAndDate) {
  const std::string out = "/out/ ";  // trailing blanks of the folder are clipped
  EXPECT_EQ(EnvelopePath('K', out, " 2018-15 ", k17December), "/out/eOvojnica_2018-15_1217.INV");
  EXPECT_EQ(EnvelopePath('K', out, "2018-15", k5March), "/out/eOvojnica_2018-15_305.INV");
  EXPECT_EQ(EnvelopePath('M', out, "2018-15", k5March), "/out/eOvojnica_2018-15_305.INV");
  EXPECT_EQ(EnvelopePath('D', out, "2018-15", k5March), "/out/eOvojnica_2018-15_305.INV");
  EXPECT_EQ(EnvelopePath('U', out, "2018-15", k17December), "/out/eOvojnica_2018-15_1217.ENV");
  EXPECT_EQ(EnvelopePath('Z', out, "2018-15", k17December), "/out/envelope_2018-15_1217.ENV");
  EXPECT_EQ(EnvelopePath('O', out, "2018-15", k17December), "/out/eOvojnica_2018-15_1217.XML");
  EXPECT_EQ(EnvelopePath('G', out, "2018-15", k17December), "/out/eOvojnica_2018-15_1217.XML");
  EXPECT_EQ(StaleOutputPath("/out/", "A1  ", k5March), "/out/eRacun_A1_305.XML");
  // Invoice numbers such as "2026/15" name files in the output folder, not sub-folders.
  EXPECT_EQ(EnvelopePath('K', out, "2026/15", k5March), "/out/eOvojnica_2026-15_305.INV");
  EXPECT_EQ(StaleOutputPath("/out/", "..\\A/1", k5March), "/out/eRacun_..-A-1_305.XML");
}

TEST(Names, PackageBaseNameStopsAtTheFirstDot) {
  EXPECT_EQ(PackageBaseName(FileNamePart("/o/eOvojnica_2018-15_1217.INV")),
            "eOvojnica_2018-15_1217");
  EXPECT_EQ(PackageBaseName(FileNamePart("/o/eOvojnica_2018.15_1217.INV")), "eOvojnica_2018");
  EXPECT_EQ(PackageBaseName("noext"), "noext");
  EXPECT_TRUE(ChannelHasPackage('U'));
  EXPECT_FALSE(ChannelHasPackage('Z'));
  EXPECT_FALSE(ChannelHasPackage('O'));
}

TEST(Names, PlainFileNamesStayInTheOutputFolder) {
  EXPECT_TRUE(IsPlainFileName("R-15.XML"));
  EXPECT_TRUE(IsPlainFileName("ra\xE8un 1..2.xml"));
  EXPECT_FALSE(IsPlainFileName("../R-15.XML"));
  EXPECT_FALSE(IsPlainFileName("sub\\R.XML"));
  EXPECT_FALSE(IsPlainFileName(".."));
  EXPECT_FALSE(IsPlainFileName(std::string("a\0b", 3)));
}

TEST(Commands, SignerGetsTheWholeListAsOneArgument) {
  ProgramCommand c = SignerCommand("/o u/a.xml;/o u/b \"x\".xml");
  EXPECT_EQ(c.program, "PodpisiXML_35.EXE");
  EXPECT_THAT(c.args, ElementsAre("/o u/a.xml;/o u/b \"x\".xml"));
  EXPECT_EQ(c.command_line, "PodpisiXML_35.EXE \"/o u/a.xml;/o u/b \"x\".xml\"");
  EXPECT_EQ(SignerCommand("").command_line, "PodpisiXML_35.EXE \"\"");
}

TEST(Commands, ArchiverLineAndArgumentsInUtf8) {
  ProgramCommand c = ArchiverCommand("7za.EXE ", "/o/P.ZIP", {"/o/E.INV"},
                                     {"/o/R.XML",
                                      "/p/\x9E"
                                      "ep.pdf"});
  EXPECT_EQ(c.command_line,
            "7za.EXE a -tzip -mx9 \"/o/P.ZIP\" \"/o/E.INV\"  \"/o/R.XML\" \"/p/\xC5\xBE"
            "ep.pdf\"");
  EXPECT_THAT(c.args, ElementsAre("a", "-tzip", "-mx9", "-bso0", "-bsp0", "-spd", "--", "/o/P.ZIP",
                                  "/o/E.INV", "/o/R.XML",
                                  "/p/\xC5\xBE"
                                  "ep.pdf"));
}

TEST(Commands, ArchiverFallsBackToTheNameWithoutExeThenTo7za) {
  eracuni::testing::RecordingProgramRunner runner;
  EXPECT_EQ(FindArchiver(runner, "7za.EXE"), "");
  runner.AddProgram("7za", "/usr/bin/7za");
  EXPECT_EQ(FindArchiver(runner, "/opt/7z/7z.exe"), "/usr/bin/7za");
  runner.AddProgram("/opt/7z/7z", "/opt/7z/7z");
  EXPECT_EQ(FindArchiver(runner, "/opt/7z/7z.exe"), "/opt/7z/7z");
  runner.AddProgram("7za.EXE", "/w/7za.EXE");
  EXPECT_EQ(FindArchiver(runner, "7za.EXE"), "/w/7za.EXE");
}

}  // namespace
}  // namespace eracuni::batch
