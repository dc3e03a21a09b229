#include <filesystem>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "batch/batch_run.h"
#include "batch_fixture.h"

namespace eracuni::batch::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

class PackageTest : public BatchTest {
 protected:
  const eracuni::testing::ProgramCall& ArchiverCall() {
    EXPECT_EQ(fake_.programs.calls().size(), 1u);
    return fake_.programs.calls().back();
  }
};

TEST_F(PackageTest, PacksTheFilesOfTheWrittenInvoicesUnderTheirCurrentNames) {
  AddInvoice(1, "A1");
  AddHeader(2, "A2");  // stops the loop
  data_.AddAttachment(2, 1, "A2.pdf", att_.path(), "PDF");
  eracuni::testing::WriteFileOrDie(att_.File("A2.pdf"), "%PDF-1.4");
  AddInvoice(3, "A3");
  settings_.ENAKAIMENARACUNA = 1;  // the envelope renames A1's PDF
  OpenAndMake();

  // A2 and A3 have no document: their files do not go to the bank.
  const std::string package = out_.File("eOvojnica_A3_1217.ZIP");
  const std::string envelope = out_.File("eOvojnica_A3_1217.INV");
  EXPECT_THAT(ArchiverCall().args,
              ElementsAre("a", "-tzip", "-mx9", "-bso0", "-bsp0", "-spd", "--", package, envelope,
                          out_.File("A1.XML"), att_.File("A1.PDF")));
  const WindowState& w = run_->window();
  EXPECT_EQ(w.IMEOVOJNICE, "eOvojnica_A3_1217.INV");
  EXPECT_EQ(w.IMEPAKETA, "eOvojnica_A3_1217");
  EXPECT_EQ(run_->command_log().back(), "7za.EXE a -tzip -mx9 \"" + package + "\" \"" + envelope +
                                            "\"  \"" + out_.File("A1.XML") + "\" \"" +
                                            att_.File("A1.PDF") + "\"");
  EXPECT_THAT(w.journal.package_files,
              ElementsAre("eOvojnica_A3_1217.INV", "A1.XML", "A1.PDF"));
}

// A link under another name is the file itself, but the envelope names it twice and the bank
// looks for both names in the package.
TEST_F(PackageTest, AFileUnderTwoNamesGoesInUnderEach) {
  AddInvoice(1, "A1");
  AddInvoice(2, "A2");
  std::error_code error;
  std::filesystem::create_symlink(att_.File("A1.pdf"), att_.File("Link.pdf"), error);
  if (error) GTEST_SKIP() << "no symbolic links here: " << error.message();
  data_.AddAttachment(2, 3, "Link.pdf", att_.path(), "PDF");
  data_.AddAttachment(2, 4, "A1.pdf", att_.path(), "PDF");  // the same file by the same name
  OpenAndMake();
  EXPECT_THAT(ArchiverCall().args,
              ElementsAre("a", "-tzip", "-mx9", "-bso0", "-bsp0", "-spd", "--",
                          out_.File("eOvojnica_A2_1217.ZIP"), out_.File("eOvojnica_A2_1217.INV"),
                          out_.File("A1.XML"), att_.File("A1.pdf"), out_.File("A2.XML"),
                          att_.File("A2.pdf"), att_.File("Link.pdf")));
}

TEST_F(PackageTest, PacksEveryEnvelopeFileTheWriterWrote) {
  AddInvoice(1, "A1");
  AddInvoice(2, "A2");
  writers_.payment_envelope = [this](settings::Settings&, workdata::WorkFiles&, Platform&,
                                     const std::string&, const envelope::WrittenDocuments*) {
    envelope::EnvelopeResult r;
    r.files = {out_.File("eOvojnica_A1_1217.XML"), out_.File("eOvojnica_A2_1217.XML")};
    return r;
  };
  AddHeader(0, "A0", "380", "GORESI2X");  // the first header decides the channel: G
  data_.AddAttachment(0, 1, "A0.XML", out_.path(), "XML");
  OpenAndMake();
  const auto& args = ArchiverCall().args;
  ASSERT_GE(args.size(), 10u);
  EXPECT_EQ(args[7], out_.File("eOvojnica_A2_1217.ZIP"));
  EXPECT_EQ(args[8], out_.File("eOvojnica_A1_1217.XML"));
  EXPECT_EQ(args[9], out_.File("eOvojnica_A2_1217.XML"));
}

TEST_F(PackageTest, LastNumberWithADotNamesThePackageAfterThePartBeforeIt) {
  AddInvoice(1, "2018.15");
  eracuni::testing::WriteFileOrDie(out_.File("eOvojnica_2018.ZIP"), "stale");
  OpenAndMake();
  EXPECT_EQ(ArchiverCall().args[7], out_.File("eOvojnica_2018.ZIP"));
  EXPECT_EQ(run_->window().IZHOD2, "eOvojnica_2018.ZIP");
  // A package of an earlier run does not keep its files in this one.
  EXPECT_EQ(eracuni::testing::ReadFileOrEmpty(out_.File("eOvojnica_2018.ZIP")), "PK");
}

TEST_F(PackageTest, PackageNotMadeIsNeverShownAsMade) {
  AddInvoice(1, "A1");
  // The archiver fails and leaves half a package.
  fake_.programs.on_run = [this](const eracuni::testing::ProgramCall& c) -> Result<int> {
    eracuni::testing::WriteFileOrDie(c.args[7], "half");
    return 2;
  };
  OpenAndMake();
  ASSERT_EQ(Captions(), std::vector<std::string>{"7za STISKANJE"});
  EXPECT_THAT(Texts()[0], HasSubstr(out_.File("eOvojnica_A1_1217.ZIP")));
  EXPECT_THAT(Texts()[0], HasSubstr(": 2"));
  const WindowState& w = run_->window();
  EXPECT_EQ(w.IZHOD2, "Paket ni izdelan: program za stiskanje je kon\xE8"
                      "al z izhodno kodo 2");
  EXPECT_FALSE(fake_.files.Exists(out_.File("eOvojnica_A1_1217.ZIP")));
  EXPECT_FALSE(w.journal.package_made);
  EXPECT_EQ(w.journal.package_path, out_.File("eOvojnica_A1_1217.ZIP"));

  // Exit 0 without a package is no package either.
  fake_.messages.Clear();
  fake_.programs.on_run = [](const eracuni::testing::ProgramCall&) -> Result<int> { return 0; };
  OpenAndMake();
  EXPECT_THAT(Texts(), ElementsAre(HasSubstr(" pa ni.")));
  EXPECT_THAT(run_->window().IZHOD2, HasSubstr("Paket ni izdelan"));
}

TEST_F(PackageTest, MissingArchiverIsNamedWithThePackageThatProvidesIt) {
  AddInvoice(1, "A1");
  fake_.programs.AddProgram("7za.EXE", "");
  OpenAndMake();
  ASSERT_EQ(Captions(), std::vector<std::string>{"7za STISKANJE"});
  EXPECT_THAT(Texts()[0], HasSubstr("7za.EXE"));
  EXPECT_THAT(Texts()[0], HasSubstr("p7zip-full"));
  EXPECT_EQ(run_->window().state, RunState::kDone);
  EXPECT_THAT(run_->window().IZHOD2, HasSubstr("Paket ni izdelan"));
}

}  // namespace
}  // namespace eracuni::batch::testing

namespace eracuni::batch::testing {
namespace {

TEST_F(PackageTest, LongListsReachTheProgramsWhole) {
  const std::string padding(80, 'x');
  for (uint32_t i = 1; i <= 120; ++i) {
    std::string number = "R" + std::to_string(i) + padding;
    AddHeader(i, number);
    data_.AddAttachment(i, 1, number + ".XML", out_.path(), "XML");
  }
  settings_.ROCNOEPODPISOVANJE = 1;
  fake_.programs.AddProgram("PodpisiXML_35.EXE", "/bin/signer");
  OpenAndMake();
  ASSERT_EQ(fake_.programs.calls().size(), 2u);
  const std::string& list = fake_.programs.calls()[0].args[0];
  EXPECT_GT(list.size(), 9999u);
  EXPECT_EQ(list.substr(list.rfind(';') + 1), out_.File("R120" + padding + ".XML"));
  EXPECT_EQ(fake_.programs.calls()[1].args.size(), 9u + 120u);  // switches, package, envelope
  EXPECT_GT(run_->window().SEZNAMPRILOG.size(), 9999u);
}

}  // namespace
}  // namespace eracuni::batch::testing
