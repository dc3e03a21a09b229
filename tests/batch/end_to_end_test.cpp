// Whole runs with the real writers, the real file system, the real 7za and a stand-in
// signer on PATH.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>

#include "batch/batch_run.h"
#include "framework/cp1250.h"
#include "tests/support/program_output.h"
#include "tests/support/run_fixture.h"
#include "workdata/fields.h"
#include "xml/testing/schema_check.h"

namespace eracuni::batch::testing {
namespace {

using eracuni::testing::PackageNames;
using eracuni::testing::Snapshot;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::UnorderedElementsAre;

size_t Occurrences(const std::string& text, const std::string& part) {
  size_t n = 0;
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
  return n;
}

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

TEST_F(EndToEndTest, PackageHoldsTheEnvelopeAndTheFilesOfTheWrittenInvoices) {
  clock_.Set({2019, 3, 5, 9, 0, 0, 0});
  AddRealInvoice(1, "A1", "BAKOSI2X");
  AddHeader(2, "A2");  // no "XML" attachment: the loop stops here
  AddAttachment(2, 1, "A2.pdf", att_.path(), "PDF", "%PDF-1.4\n");
  AddRealInvoice(3, "A3", "BAKOSI2X");
  eracuni::testing::WriteFileOrDie(out_.File("A3.XML"), "<earlier/>");  // from an earlier run
  WindowState w = MakeRun();

  // A2 and A3 have no document of this run: nothing of theirs goes to the bank.
  EXPECT_EQ(w.IZHOD2, "eOvojnica_A3_305.ZIP");
  EXPECT_THAT(PackageNames(out_.File("eOvojnica_A3_305.ZIP")),
              UnorderedElementsAre("eOvojnica_A3_305.INV", "A1.XML", "A1.pdf"));
  EXPECT_THAT(Captions(), ElementsAre(" NAPAKA v eRACPRIL.TPS"));
  const RunJournal& j = w.journal;
  ASSERT_EQ(j.invoices.size(), 3u);
  EXPECT_EQ(j.invoices[0].status, InvoiceStatus::kWritten);
  EXPECT_EQ(j.invoices[0].document, out_.File("A1.XML"));
  EXPECT_EQ(j.invoices[1].status, InvoiceStatus::kNotWritten);
  EXPECT_EQ(j.invoices[2].status, InvoiceStatus::kNotReached);
  EXPECT_TRUE(j.envelope_written);
  EXPECT_TRUE(j.package_made);
}

TEST_F(EndToEndTest, MissingAttachmentIsNamedAndLeftOutOnEveryChannel) {
  AddRealInvoice(1, "A1", "BAKOSI2X");
  AddAttachment(1, 3, "gone.pdf", att_.path(), "PDF");
  EXPECT_EQ(MakeRun().IZHOD2, "eOvojnica_A1_1217.ZIP");
  ASSERT_EQ(Captions(), std::vector<std::string>{" NAPAKA v eRACPRIL.TPS"});
  EXPECT_THAT(Texts()[0], HasSubstr(att_.File("gone.pdf")));
  EXPECT_THAT(PackageNames(out_.File("eOvojnica_A1_1217.ZIP")),
              UnorderedElementsAre("eOvojnica_A1_1217.INV", "A1.XML", "A1.pdf"));
  EXPECT_EQ(eracuni::testing::ReadFileOrEmpty(out_.File("eOvojnica_A1_1217.INV")).find("gone"),
            std::string::npos);

  messages_.Clear();
  after_open_ = [this] { settings_.KATERABANKA = 'O'; };
  Run();
  EXPECT_THAT(Texts(), ElementsAre(HasSubstr(att_.File("gone.pdf"))));
}

TEST_F(EndToEndTest, ChannelsZAndOMakeNoPackage) {
  AddRealInvoice(1, "2018-15", "LJBASI2X");  // channel O
  EXPECT_EQ(MakeRun().IZHOD2, "eOvojnica_2018-15_1217.XML");
  EXPECT_TRUE(SystemFileSystem().Exists(out_.File("eOvojnica_2018-15_1217.XML")));

  after_open_ = [this] { settings_.KATERABANKA = 'Z'; };
  EXPECT_EQ(Run().IZHOD2, "envelope_2018-15_1217.ENV");
  std::vector<std::string> names = *SystemFileSystem().ListDirectory(out_.path());
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
  ASSERT_TRUE(std::filesystem::create_directory(out));
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
  eracuni::testing::SetEnv("PATH", "/nonexistent");  // the signer's folder goes too
  Run();
  EXPECT_THAT(Texts(), ElementsAre(HasSubstr("ni mogo\xC4\x8D"
                                             "e najti")));
  EXPECT_TRUE(SystemFileSystem().Exists(out_.File("eOvojnica_A1_1217.XML")));
}

// What goes to the bank is each file once, under a name no other file has; with the
// same-name rule the shared PDF goes by the first invoice's name for both.
class SharedPdf : public EndToEndTest, public ::testing::WithParamInterface<bool> {};

TEST_P(SharedPdf, IsPackedOnceAndAnotherFileOfItsNameIsLeftOut) {
  settings_.ENAKAIMENARACUNA = GetParam();
  eracuni::testing::TempDir other;
  AddRealInvoice(1, "A1", "BAKOSI2X", "pogoji.pdf");
  AddRealInvoice(2, "A2", "BAKOSI2X", "pogoji.pdf");  // the same file at position 2 again
  AddAttachment(2, 3, "pogoji.pdf", other.path(), "PDF", "another file");
  const WindowState w = MakeRun();
  const std::string pdf = GetParam() ? "A1.PDF" : "pogoji.pdf";
  std::vector<std::string> packed = {"eOvojnica_A2_1217.INV", "A1.XML", "A2.XML", pdf};
  // Renamed, the shared file no longer takes the other file's name.
  if (GetParam()) packed.push_back("pogoji.pdf");
  EXPECT_EQ(w.IZHOD2, "eOvojnica_A2_1217.ZIP");
  EXPECT_THAT(PackageNames(out_.File("eOvojnica_A2_1217.ZIP")),
              ::testing::UnorderedElementsAreArray(packed));
  const std::string envelope = eracuni::testing::ReadFileOrEmpty(w.journal.envelope_path);
  EXPECT_EQ(Occurrences(envelope, "<filename>" + pdf + "</filename>"), 2u);
  EXPECT_EQ(AllTexts().find(other.File("pogoji.pdf")) != std::string::npos, !GetParam());
}

INSTANTIATE_TEST_SUITE_P(SameNameRule, SharedPdf, ::testing::Bool());

TEST_F(EndToEndTest, EnvelopesOfChannelGEachKeepTheirOwnName) {
  AddRealInvoice(1, "X_3", "GORESI2X");
  AddRealInvoice(2, "X", "GORESI2X");
  AddRealInvoice(3, "X", "GORESI2X");
  const WindowState w = MakeRun();
  EXPECT_TRUE(w.journal.package_made) << AllTexts();
  EXPECT_THAT(PackageNames(out_.File(w.IZHOD2)),
              UnorderedElementsAre("eOvojnica_X_3_1217.XML", "eOvojnica_X_1217.XML",
                                   "eOvojnica_X_3_2_1217.XML", "X_3.XML", "X.XML", "X_3.pdf",
                                   "X.pdf"));
}

TEST_F(EndToEndTest, BlankAttachmentNameMovesAndPacksNothingOfItsFolder) {
  settings_.ENAKAIMENARACUNA = 1;
  AddHeader(1, "A1", "BAKOSI2X");
  AddAttachment(1, 1, " A1.XML", out_.path(), "XML");  // a leading blank in the document's name
  AddAttachment(1, 2, "", att_.path(), "PDF");
  eracuni::testing::WriteFileOrDie(att_.File("tuj.pdf"), "another customer's");
  WriteWorkFiles();
  const auto before = Snapshot(att_.path());
  const WindowState w = Run();
  EXPECT_EQ(Snapshot(att_.path()), before);
  EXPECT_THAT(PackageNames(out_.File("eOvojnica_A1_1217.ZIP")),
              UnorderedElementsAre("eOvojnica_A1_1217.INV", "A1.XML"));
  EXPECT_THAT(AllTexts(), HasSubstr("ra\xC4\x8Dun A1: " + att_.path()));
  EXPECT_EQ(w.journal.attachments[1].problem, "ime priloge je prazno");
}

// An e-SLOG 2.0 invoice the work data cannot express is refused with every reason; the
// invoices around it are written, described by the envelope and packed, and it is not.
TEST_F(EndToEndTest, Eslog20RefusalLeavesTheOtherInvoicesWrittenEnvelopedAndPacked) {
  namespace H = workdata::eRACUNI;
  namespace L = workdata::eRACUNIP;
  settings_.VERZIJAESLOG = "2.0";
  const std::pair<workdata::Field, const char*> header[] = {
      {H::KODADRZAVE, "SI"},           {H::STEVILKABANCNEGARACUNA, "SI56 0200 0001 2345 646"},
      {H::VRSTAPODATKAPODJETJA, "VA"}, {H::PODATEKPODJETJA, "12345679"},
      {H::NAZIVPARTNERJA1BY, "Kupec d.o.o."}, {H::KODADRZAVEBY, "SI"},
      {H::TEKST2NP, "0"},              {H::DATUMPLACILA, "2026-12-31"},
      {H::STEVILKASKLICASKUPAJ, "SI00 2026-7"}};
  const std::pair<workdata::Field, const char*> line[] = {
      {L::OPISARTIKLA1, "Svetovanje"}, {L::KOLICINA, "2"},    {L::ENOTAMERE, "HUR"},
      {L::CENA, "50.00"},              {L::ZNESEKPOSTAVKE, "100.00"},
      {L::VRSTADAVKAPOSTAVKE, "VAT"},  {L::ODSTOTEKDAVKAPOSTAVKE, "22"}};
  for (uint32_t ident : {1u, 2u, 3u}) {
    std::string number = "B" + std::to_string(ident);
    workdata::RecordBuffer& h = AddHeader(ident, number, "BAKOSI2X");
    for (const auto& [field, value] : header) h.SetText(field, value);
    for (const auto& [field, value] : line) LastLine().SetText(field, value);
    if (ident == 2) {  // three reasons at once: no buyer, an unknown unit and payment method
      h.SetText(H::NAZIVPARTNERJA1BY, "");
      h.SetText(H::TEKST2NP, "7");
      LastLine().SetText(L::ENOTAMERE, "AMT");
    }
    AddAttachment(ident, 1, number + ".XML", settings_.POTDOXMLRACUNOV, "XML");
    AddAttachment(ident, 2, number + ".pdf", att_.path(), "PDF", "%PDF-1.4\n%%EOF\n");
  }
  eracuni::testing::WriteFileOrDie(out_.File("B2.XML"), "<earlier/>");  // of an earlier run
  WindowState w = MakeRun();

  EXPECT_EQ(w.STEVEC, 2);
  ASSERT_THAT(Captions(), ElementsAre(" NAPAKA e-SLOG 2.0"));
  EXPECT_THAT(Texts()[0], HasSubstr(" Ra\xC4\x8Dun B2 ni izdelan v obliki e-SLOG 2.0:|- "));
  EXPECT_THAT(Texts()[0], HasSubstr("AMT"));
  EXPECT_FALSE(files_.Exists(out_.File("B2.XML")));
  for (const char* written : {"B1.XML", "B3.XML"}) {
    Status valid = xml::testing::Eslog20SchemaAvailable()
                       ? xml::testing::ValidateEslog20(out_.File(written))
                       : Status::Ok();
    EXPECT_TRUE(valid.ok()) << valid.message();
  }
  std::string envelope = eracuni::testing::ReadFileOrEmpty(out_.File("eOvojnica_B3_1217.INV"));
  EXPECT_THAT(envelope, HasSubstr("B1.XML"));
  EXPECT_THAT(envelope, ::testing::Not(HasSubstr("B2")));
  // The bank's payment order carries the document's reference, not one made for 1.6.
  EXPECT_THAT(envelope, HasSubstr("<creditor_structured_reference>SI002026-7<"));
  EXPECT_THAT(PackageNames(out_.File("eOvojnica_B3_1217.ZIP")),
              UnorderedElementsAre("eOvojnica_B3_1217.INV", "B1.XML", "B1.pdf", "B3.XML",
                                   "B3.pdf"));
}

}  // namespace
}  // namespace eracuni::batch::testing
