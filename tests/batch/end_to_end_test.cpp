// Whole runs with the real writers, the real file system, the real 7za and a stand-in
// signer on PATH.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>

#include "batch/batch_run.h"
#include "framework/cp1250.h"
#include "tests/support/program_output.h"
#include "tests/support/run_fixture.h"

namespace eracuni::batch::testing {
namespace {

using eracuni::testing::PackageNames;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::UnorderedElementsAre;

class EndToEndTest : public eracuni::testing::RunTest {
 protected:
  EndToEndTest() { clock_.Set({2018, 12, 17, 10, 0, 0, 0}); }

  // A header with an "XML" attachment naming its document and a PDF beside it in att_.
  void AddRealInvoice(uint32_t ident, const std::string& number, const std::string& bic,
                      const std::string& pdf_name = {}) {
    AddHeader(ident, number, bic);
    AddAttachment(ident, 1, number + ".XML", settings_.POTDOXMLRACUNOV, "XML");
    AddAttachment(ident, 2, pdf_name.empty() ? number + ".pdf" : pdf_name, att_.path(), "PDF",
                  "%PDF-1.4\n%%EOF\n");
  }

  WindowState MakeRun() {
    WriteWorkFiles();
    return Run();
  }
};

TEST_F(EndToEndTest, PackageHoldsTheEnvelopeAndTheAttachmentsOfAllHeaders) {
  clock_.Set({2019, 3, 5, 9, 0, 0, 0});
  AddRealInvoice(1, "A1", "BAKOSI2X");
  AddHeader(2, "A2");  // no "XML" attachment: the loop stops here
  AddAttachment(2, 1, "A2.pdf", att_.path(), "PDF", "%PDF-1.4\n");
  AddRealInvoice(3, "A3", "BAKOSI2X");
  eracuni::testing::WriteFileOrDie(out_.File("A3.XML"), "<earlier/>");  // from an earlier run
  WindowState w = MakeRun();

  EXPECT_EQ(w.IZHOD2, "eOvojnica_A3_305.ZIP");
  EXPECT_THAT(PackageNames(out_.File("eOvojnica_A3_305.ZIP")),
              UnorderedElementsAre("eOvojnica_A3_305.INV", "A1.XML", "A1.pdf", "A2.pdf", "A3.XML",
                                   "A3.pdf"));
  EXPECT_THAT(Captions(), ElementsAre(" NAPAKA v eRACPRIL.TPS"));
}

TEST_F(EndToEndTest, MissingAttachmentMakesTheArchiverReportAndTheRunGoesOn) {
  AddRealInvoice(1, "A1", "BAKOSI2X");
  AddAttachment(1, 3, "gone.pdf", att_.path(), "PDF");
  EXPECT_EQ(MakeRun().state, RunState::kDone);
  ASSERT_EQ(Captions(), std::vector<std::string>{"7za STISKANJE"});
  EXPECT_THAT(Texts()[0], HasSubstr("programa: 1"));
  EXPECT_THAT(PackageNames(out_.File("eOvojnica_A1_1217.ZIP")),
              UnorderedElementsAre("eOvojnica_A1_1217.INV", "A1.XML", "A1.pdf"));
}

TEST_F(EndToEndTest, ChannelsZAndOMakeNoPackage) {
  AddRealInvoice(1, "2018-15", "LJBASI2X");  // channel O
  EXPECT_EQ(MakeRun().IZHOD2, "eOvojnica_2018-15_1217.XML");
  EXPECT_TRUE(PosixFileSystem().Exists(out_.File("eOvojnica_2018-15_1217.XML")));

  after_open_ = [this] { settings_.KATERABANKA = 'Z'; };
  EXPECT_EQ(Run().IZHOD2, "envelope_2018-15_1217.ENV");
  std::vector<std::string> names = *PosixFileSystem().ListDirectory(out_.path());
  for (const std::string& name : names) EXPECT_EQ(name.find(".ZIP"), std::string::npos) << name;
  EXPECT_TRUE(messages_.shown().empty());
}

TEST_F(EndToEndTest, LastNumberWithADotNamesThePackage) {
  AddRealInvoice(1, "2018.15", "BAKOSI2X");
  MakeRun();
  EXPECT_THAT(PackageNames(out_.File("eOvojnica_2018.ZIP")),
              ::testing::Contains("eOvojnica_2018.15_1217.INV"));
}

TEST_F(EndToEndTest, BlanksQuotesAndShellCharactersReachTheProgramsIntact) {
  eracuni::testing::TempDir root;
  std::string out = root.File("iz hod \"1\"/");
  ASSERT_EQ(mkdir(out.c_str(), 0755), 0);
  settings_.POTDOXMLRACUNOV = out;
  settings_.ROCNOEPODPISOVANJE = 1;
  const std::string pdf = "ra\xE8un \"1\"; $(echo x) *.pdf";
  AddRealInvoice(1, "R 1", "BAKOSI2X", pdf);
  signer_.Install(0, out + "eOvojnica_R 1_1217.INV");
  MakeRun();

  EXPECT_TRUE(messages_.shown().empty()) << AllTexts();
  EXPECT_EQ(signer_.Record(), "args 1\n" + out + "R 1.XML\nexists " + out + "R 1.XML\n");
  EXPECT_THAT(PackageNames(out + "eOvojnica_R 1_1217.ZIP"),
              UnorderedElementsAre("eOvojnica_R 1_1217.INV", "R 1.XML", Cp1250ToUtf8(pdf)));
  EXPECT_EQ(last_run().command_log().size(), 2u);
}

TEST_F(EndToEndTest, SignerRunsOnceOverAllDocumentsBeforeTheEnvelope) {
  settings_.ROCNOEPODPISOVANJE = 1;
  AddRealInvoice(1, "A1", "LJBASI2X");
  AddRealInvoice(2, "A2", "LJBASI2X");
  signer_.Install(0, out_.File("eOvojnica_A2_1217.XML"));
  MakeRun();
  std::string list = out_.File("A1.XML") + ";" + out_.File("A2.XML");
  EXPECT_EQ(signer_.Record(), "args 1\n" + list + "\nexists " + out_.File("A1.XML") + "\nexists " +
                                  out_.File("A2.XML") + "\n");
  EXPECT_TRUE(messages_.shown().empty());
}

TEST_F(EndToEndTest, SignerThatFailsOrIsMissingIsAWarning) {
  settings_.ROCNOEPODPISOVANJE = 1;
  AddRealInvoice(1, "A1", "LJBASI2X");
  signer_.Install(4, out_.File("eOvojnica_A1_1217.XML"));
  MakeRun();
  EXPECT_THAT(Texts(), ElementsAre(HasSubstr("izhodna koda 4")));

  messages_.Clear();
  setenv("PATH", "/nonexistent", 1);
  Run();
  EXPECT_THAT(Texts(), ElementsAre(HasSubstr("ni mogo\xC4\x8D"
                                             "e najti")));
  EXPECT_TRUE(PosixFileSystem().Exists(out_.File("eOvojnica_A1_1217.XML")));
}

}  // namespace
}  // namespace eracuni::batch::testing
