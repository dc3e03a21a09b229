#include "batch/batch_run.h"

#include <algorithm>
#include <filesystem>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "batch/document_renderer.h"
#include "batch/messages.h"
#include "framework/cp1250.h"
#include "xml/xml_writer.h"
#include "batch_fixture.h"

namespace eracuni::batch::testing {
namespace {

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::HasSubstr;

TEST_F(BatchTest, OpeningScansHeadersAndDeletesTheirStaleOutputs) {
  fake_.clock.Set({2019, 3, 5, 8, 0, 0, 0});
  AddInvoice(2, "A2");
  AddInvoice(1, "A1");
  AddInvoice(3, "A3");
  eracuni::testing::WriteFileOrDie(out_.File("eRacun_A1_305.XML"), "old");
  fake_.files.FailOn("delete", "eRacun_A2_", 13);
  BatchRun& r = Run();
  r.Open();

  const WindowState& w = r.window();
  EXPECT_EQ(w.ODRACUNA, "A1");
  EXPECT_EQ(w.DORACUNA, "A3");
  EXPECT_EQ(w.STEVILORACUNOV, 3);
  EXPECT_EQ(w.IZBRANISWIFT, "BAKOSI2X");
  EXPECT_EQ(settings_.KATERABANKA, 'K');
  EXPECT_TRUE(w.package_picture_visible);
  EXPECT_FALSE(w.no_package_picture_visible);
  EXPECT_EQ(w.state, RunState::kReady);
  EXPECT_FALSE(eracuni::testing::ReadFileOrEmpty(out_.File("eRacun_A1_305.XML")).size());
  EXPECT_THAT(fake_.files.log(), ::testing::Contains("delete " + out_.File("eRacun_A3_305.XML")));
  // A failed deletion is reported and the scan goes on.
  ASSERT_EQ(Captions(), std::vector<std::string>{"OPOZORILO"});
  EXPECT_EQ(Texts()[0], "Napaka pri brisanju izhodne datoteke ra\xE8una " +
                            out_.File("eRacun_A2_305.XML") + "|| Oznaka: 13 - " +
                            SystemErrorText(13));
}

TEST_F(BatchTest, EmptyWorkDataLeavesOnlyTheCloseButtonEvenInInvisibleMode) {
  settings_.SKRITINACIN = 1;
  BatchRun& r = Run();
  r.Open();
  r.ProcessQueuedKeys();

  const WindowState& w = r.window();
  EXPECT_THAT(Texts(), ElementsAre(text::kNoWorkData, text::kNoInvoices));
  EXPECT_EQ(fake_.messages.shown()[0].button_text, "V redu");
  EXPECT_EQ(fake_.messages.shown()[1].icon, MessageIcon::kInformation);
  EXPECT_EQ(w.state, RunState::kBlocked);
  EXPECT_FALSE(w.ok_button.visible);
  EXPECT_EQ(w.cancel.text, " ZAPRI");
  EXPECT_EQ(w.cancel.picture, "Izhod.GIF");
  EXPECT_EQ(w.focus, Control::kGumbNastavitve);
  EXPECT_EQ(settings_.KATERABANKA, 'O');  // a blank BIC
  EXPECT_TRUE(w.no_package_picture_visible);
  EXPECT_TRUE(events_.empty());
}

TEST_F(BatchTest, BlankFoldersWarnAtOpeningAndBlockWhenTheMakeButtonIsFocused) {
  AddInvoice(1, "A1");
  BatchRun& r = Run();
  settings_.POTDOXMLRACUNOV = "";
  settings_.POTDOERACUNOV = "  ";
  r.Open();
  EXPECT_EQ(r.window().state, RunState::kReady);
  EXPECT_EQ(r.window().STEVILORACUNOV, 0);  // no pre-scan
  EXPECT_EQ(r.window().focus, Control::kGumbNastavitve);
  EXPECT_THAT(Captions(), ElementsAre(" OPOZORILO"));

  r.FocusMakeButton();
  EXPECT_THAT(Texts(),
              ElementsAre(text::kSetFoldersFirst, text::kFolderMissing, text::kFolderMissing));
  EXPECT_EQ(r.window().state, RunState::kBlocked);
  r.PressMake();  // the button is gone
  EXPECT_EQ(fake_.messages.shown().size(), 3u);
  r.PressCancel();
  EXPECT_EQ(r.window().state, RunState::kClosed);
}

TEST_F(BatchTest, ChannelComesFromUjpOrTheBicsFirstFourLetters) {
  AddHeader(1, "A1", "380", "bakosi2x");
  BatchRun& r = Run();
  settings_.KATERABANKA = 'K';  // the stored value is only a start
  r.Open();
  EXPECT_EQ(settings_.KATERABANKA, 'O');
  EXPECT_TRUE(r.window().no_package_picture_visible);

  settings_.ODDAJAUJP = 1;
  BatchRun again({settings_, *files_, fake_.platform, errors_, nullptr, writers_});
  again.Open();
  EXPECT_EQ(settings_.KATERABANKA, 'U');
}

TEST_F(BatchTest, LoopStopsAtAHeaderWithoutXmlAttachmentAndTheRunStillCompletes) {
  AddInvoice(1, "A1");
  AddHeader(2, "A2");
  data_.AddAttachment(2, 1, "A2.pdf", att_.path(), "PDF");
  AddInvoice(3, "A3");
  settings_.ROCNOEPODPISOVANJE = 1;
  fake_.programs.AddProgram("PodpisiXML_35.EXE", "/bin/signer");
  OpenAndMake();

  const WindowState& w = run_->window();
  EXPECT_EQ(w.STEVEC, 1);
  EXPECT_EQ(w.SEZNAMZAPODPIS, out_.File("A1.XML"));
  ASSERT_EQ(Captions(), std::vector<std::string>{" NAPAKA v eRACPRIL.TPS"});
  EXPECT_EQ(Texts()[0],
            " V podatkih prilog ne obstaja ime datoteke eRa\xE8una A2 v XML obliki "
            "|| Obdelava bo prekinjena.");
  // Signer after the documents, before the envelope; named after the last header.
  EXPECT_THAT(events_,
              ElementsAre("invoice A1.XML", "program /bin/signer",
                          "payment " + out_.File("eOvojnica_A3_1217.INV"), "program /usr/bin/7za"));
  EXPECT_EQ(w.state, RunState::kDone);
}

TEST_F(BatchTest, DocumentsThatCannotBeWrittenAreReportedAndNotSigned) {
  AddInvoice(1, "A1");
  AddInvoice(2, "A2");
  AddHeader(3, "A3");
  data_.AddAttachment(3, 1, "../escape.XML", out_.path(), "XML");
  AddInvoice(4, "A4");
  fake_.files.FailOn("create", "A2.XML", 28);
  settings_.ROCNOEPODPISOVANJE = 1;
  fake_.programs.AddProgram("PodpisiXML_35.EXE", "/bin/signer");
  OpenAndMake();

  const WindowState& w = run_->window();
  EXPECT_EQ(w.STEVEC, 2);
  EXPECT_EQ(w.SEZNAMZAPODPIS, out_.File("A1.XML") + ";" + out_.File("A4.XML"));
  ASSERT_EQ(fake_.programs.calls().size(), 2u);  // signer and archiver
  EXPECT_THAT(fake_.programs.calls()[0].args, ElementsAre(w.SEZNAMZAPODPIS));
  ASSERT_EQ(Texts().size(), 2u);
  EXPECT_THAT(Texts()[0], HasSubstr(out_.File("A2.XML") + "|| Oznaka: 28 - "));
  EXPECT_EQ(Captions()[1], " NAPAKA v eRACPRIL.TPS");
  EXPECT_THAT(Texts()[1], HasSubstr("A3 v podatkih prilog (../escape.XML)"));
  EXPECT_FALSE(eracuni::testing::ReadFileOrEmpty(out_.path() + "../escape.XML").size());
}

// Documents written the safe way (temporary name, then rename) get their names only after
// one wait for the disk; a name that cannot be given is reported like a failed write.
TEST_F(BatchTest, DocumentsAreNamedAfterOneWaitAndFailedNamesAreReported) {
  for (uint32_t i = 1; i <= 4; ++i) AddInvoice(i, "A" + std::to_string(i));
  writers_.invoice = [this](settings::Settings& s, workdata::WorkFiles&, FileSystem& fs,
                            std::string_view name) {
    std::string path = Cp1250ToUtf8(s.POTDOXMLRACUNOV + std::string(name));
    auto f = fs.NewWritableFile(path + ".tmp");
    if (!f.ok()) return f.status();
    Status written = (*f)->Append("<r/>");
    if (written.ok()) written = (*f)->Close();
    events_.push_back(written.ok() && !fake_.files.Exists(path) ? "unnamed" : "named early");
    return written.ok() ? fs.RenameFile(path + ".tmp", path) : written;
  };
  fake_.files.FailOn("rename", "A3.XML", 13);
  settings_.ROCNOEPODPISOVANJE = 1;
  fake_.programs.AddProgram("PodpisiXML_35.EXE", "/bin/signer");
  OpenAndMake();

  const WindowState& w = run_->window();
  EXPECT_EQ(w.STEVEC, 3);
  EXPECT_EQ(w.SEZNAMZAPODPIS,
            out_.File("A1.XML") + ";" + out_.File("A2.XML") + ";" + out_.File("A4.XML"));
  ASSERT_EQ(Texts().size(), 1u);
  EXPECT_THAT(Texts()[0], HasSubstr(out_.File("A3.XML") + "|| Oznaka: 13 - "));
  EXPECT_EQ(std::count(events_.begin(), events_.end(), "unnamed"), 4);
  int syncs = 0;
  for (const std::string& op : fake_.files.log()) syncs += op.rfind("sync ", 0) == 0;
  EXPECT_EQ(syncs, 1);
  EXPECT_FALSE(fake_.files.Exists(out_.File("A3.XML")));
  EXPECT_FALSE(fake_.files.Exists(out_.File("A3.XML.tmp")));
  EXPECT_TRUE(fake_.files.Exists(out_.File("A4.XML")));
}

// With e-SLOG 2.0 an invoice the document cannot express is refused: one message with every
// reason, no file under its name (an old one is deleted, one written earlier in the run
// stays), not counted, not signed; the run goes on.
TEST_F(BatchTest, Eslog20RefusesAnInvoiceAndGoesOn) {
  AddInvoice(1, "A1");
  AddInvoice(2, "A2");
  AddInvoice(3, "A1");  // the same document name as the first
  AddInvoice(4, "A4");
  settings_.VERZIJAESLOG = "2.0";
  settings_.ROCNOEPODPISOVANJE = 1;
  fake_.programs.AddProgram("PodpisiXML_35.EXE", "/bin/signer");
  auto write = writers_.invoice;
  writers_.invoice20 = [write](settings::Settings& s, workdata::WorkFiles& f, FileSystem& fs,
                               std::string_view name) {
    eslog20::DocumentOutcome o;
    uint32_t ident = f.headers().buffer().U32(workdata::eRACUNI::IDENTRACUN);
    if (ident == 2 || ident == 3) {
      o.refusals = {{"R02", "one"}, {"R19", "two"}};
    } else {
      o.status = write(s, f, fs, name);
      if (ident == 4) o.warnings = {"warned"};
    }
    return o;
  };
  eracuni::testing::WriteFileOrDie(out_.File("A2.XML"), "stale");
  OpenAndMake();

  const WindowState& w = run_->window();
  EXPECT_EQ(w.STEVEC, 2);
  EXPECT_EQ(w.SEZNAMZAPODPIS, out_.File("A1.XML") + ";" + out_.File("A4.XML"));
  EXPECT_FALSE(fake_.files.Exists(out_.File("A2.XML")));
  EXPECT_EQ(eracuni::testing::ReadFileOrEmpty(out_.File("A1.XML")), "<r/>");
  EXPECT_THAT(Captions(), ElementsAre(" NAPAKA e-SLOG 2.0", " NAPAKA e-SLOG 2.0"));
  EXPECT_EQ(fake_.messages.shown()[0].button_text, "V redu");
  const auto& rows = w.journal.invoices;
  auto refused = std::find_if(rows.begin(), rows.end(),
                              [](const InvoiceOutcome& r) { return r.number == "A2"; });
  ASSERT_NE(refused, rows.end());
  EXPECT_EQ(refused->status, InvoiceStatus::kRefused);
  EXPECT_THAT(refused->reasons, ElementsAre("one", "two"));
  // A warning lets the invoice go out (counted and signed above) and stays in the journal.
  auto warned = std::find_if(rows.begin(), rows.end(),
                             [](const InvoiceOutcome& r) { return r.number == "A4"; });
  ASSERT_NE(warned, rows.end());
  EXPECT_EQ(warned->status, InvoiceStatus::kWrittenWithWarnings);
  EXPECT_THAT(warned->reasons, ElementsAre("warned"));
}

// Documents rendered on worker threads come out as on one thread: the same messages in the
// same order (a refusal, an unsafe name, a file that cannot be made, the header that stops
// the loop), the same journal and the same files, whether they render into memory or write
// their files themselves.
TEST_F(BatchTest, DocumentsRenderedOnWorkersGiveTheMessagesJournalAndFilesOfOneThread) {
  if (RenderWorkersForThisMachine() == 0) GTEST_SKIP() << "one processor: nothing runs beside";
  for (uint32_t i = 1; i <= 7; ++i) AddInvoice(i, "A" + std::to_string(i), i == 6 ? "381" : "380");
  data_.AddAttachment(8, 1, "../out.XML", out_.path(), "XML");
  AddHeader(8, "A8");
  AddHeader(9, "A9");  // no "XML" attachment: the loop stops here
  AddInvoice(10, "A10");
  settings_.VERZIJAESLOG = "2.0";
  writers_.invoice20 = [](settings::Settings& s, workdata::WorkFiles& f, FileSystem& fs,
                          std::string_view name) {
    eslog20::DocumentOutcome o;
    const workdata::RecordBuffer& h = f.headers().buffer();
    if (h.U32(workdata::eRACUNI::IDENTRACUN) == 2) return o.refusals = {{"R02", "one"}}, o;
    xml::XmlWriter xml(fs);
    o.status = xml.CreateXmlFile(Cp1250ToUtf8(s.POTDOXMLRACUNOV + std::string(name)), "1.0", "UTF-8");
    xml.CreateParent("r");
    xml.AddParent();
    xml.AddElement("n", h.Clipped(workdata::eRACUNI::STEVILKARACUNA));
    if (o.status.ok()) o.status = xml.CloseXmlFile();
    if (!o.status.ok()) return o;  // as the real writer: no reference, no verdict
    o.payment_reference = "SI00 " + std::string(name);
    s.DOBROPISBREMEPIS = h.Clipped(workdata::eRACUNI::VRSTARACUNA) == "381";
    return o;
  };
  fake_.files.FailOn("create", ".A4.XML", 28);
  struct Outcome {
    std::vector<std::string> texts, rows, files;
    int counted;
    uint8_t verdict;
  };
  auto run = [&](bool pure) {
    writers_.pure = pure;
    const size_t shown = Texts().size();
    OpenAndMake();
    const std::vector<std::string> texts = Texts();
    Outcome o{{texts.begin() + shown, texts.end()}, {}, {}, run_->window().STEVEC,
              settings_.DOBROPISBREMEPIS};
    for (const InvoiceOutcome& r : run_->window().journal.invoices)
      o.rows.push_back(r.document + " " + std::to_string(int(r.status)) + " " +
                       r.payment_reference.value_or("-") + " " + std::to_string(r.reasons.size()));
    for (int i = 1; i <= 10; ++i) {
      std::string name = out_.File("A" + std::to_string(i) + ".XML");
      o.files.push_back(eracuni::testing::ReadFileOrEmpty(name));
      std::filesystem::remove(name);
    }
    return o;
  };
  const Outcome one = run(false), workers = run(true);
  fake_.files.AllowTwoThreads();  // now the workers write their files themselves
  const Outcome on_disk = run(true);
  for (const Outcome* o : {&workers, &on_disk}) {
    EXPECT_EQ(o->texts, one.texts);
    EXPECT_EQ(o->rows, one.rows);
    EXPECT_EQ(o->files, one.files);
    EXPECT_EQ(o->counted, one.counted);
    EXPECT_EQ(o->verdict, one.verdict);
  }
  for (const auto& entry : std::filesystem::directory_iterator(out_.path()))
    EXPECT_NE(entry.path().extension(), ".tmp") << entry.path();  // no temporary file left
  EXPECT_EQ(one.counted, 5);
  EXPECT_EQ(one.texts.size(), 4u);
  EXPECT_THAT(one.files[5], HasSubstr("<n>A6</n>"));
}

TEST_F(BatchTest, DoneLeavesTheResultAndOnlyTheCloseButton) {
  AddInvoice(1, "2018-14");
  AddInvoice(2, "2018-15");
  BatchRun& r = OpenAndMake();

  const WindowState& w = r.window();
  EXPECT_EQ(w.state, RunState::kDone);
  EXPECT_TRUE(w.result_visible);
  EXPECT_FALSE(w.output_info_visible);
  EXPECT_FALSE(w.ok_button.visible);
  EXPECT_EQ(w.cancel.text, " ZAPRI");
  EXPECT_EQ(w.focus, Control::kCancel);
  EXPECT_EQ(w.MESTO2, out_.path());
  EXPECT_EQ(w.IZHOD2, "eOvojnica_2018-15_1217.ZIP");
  EXPECT_TRUE(fake_.messages.shown().empty());

  // One run per window.
  size_t calls = events_.size();
  r.PressMake();
  r.PressEnter();
  EXPECT_EQ(events_.size(), calls);
}

TEST_F(BatchTest, InvisibleModeRunsAndClosesByQueuedPresses) {
  AddInvoice(1, "A1");
  settings_.SKRITINACIN = 1;
  BatchRun& r = Run();
  r.Open();
  EXPECT_EQ(r.window().focus, Control::kOkButton);
  EXPECT_EQ(r.window().default_button, Control::kOkButton);
  EXPECT_EQ(r.window().queued_enter, 1);
  EXPECT_EQ(r.window().font, "Arial CE");
  r.ProcessQueuedKeys();
  EXPECT_EQ(r.window().state, RunState::kClosed);
  EXPECT_EQ(r.window().IZHOD2, "eOvojnica_A1_1217.ZIP");
  EXPECT_FALSE(files_->opened());
}

TEST_F(BatchTest, LastCreditNoteChoosesTheEnvelopeWithoutPaymentData) {
  AddInvoice(1, "A1", "380");
  AddInvoice(2, "A2", "381");
  settings_.POTDO7ZG = "";
  fake_.programs.AddProgram("7za", "/usr/bin/7za");
  OpenAndMake();
  EXPECT_EQ(events_[2], "plain " + out_.File("eOvojnica_A2_1217.INV"));
  ASSERT_EQ(fake_.programs.calls().size(), 1u);
  EXPECT_EQ(fake_.programs.calls()[0].program, "/usr/bin/7za");
}

// The bank never receives an envelope that announces an invoice that was not written.
TEST_F(BatchTest, EnvelopeDescribesOnlyTheWrittenInvoices) {
  AddInvoice(1, "A1", "380");
  AddInvoice(2, "A2", "381");  // its writing fails: its verdict must not choose the envelope
  fake_.files.FailOn("create", "A2.XML", 28);
  OpenAndMake();
  EXPECT_EQ(events_[2], "payment " + out_.File("eOvojnica_A2_1217.INV"));
  const std::string envelope =
      eracuni::testing::ReadFileOrEmpty(out_.File("eOvojnica_A2_1217.INV"));
  EXPECT_NE(envelope.find("<doc_id>1A1</doc_id>"), std::string::npos);
  EXPECT_EQ(envelope.find("A2"), std::string::npos) << envelope;
  EXPECT_THAT(fake_.programs.calls().back().args,
              ElementsAre("a", "-tzip", "-mx9", "-bso0", "-bsp0", "-spd", "--",
                          out_.File("eOvojnica_A2_1217.ZIP"), out_.File("eOvojnica_A2_1217.INV"),
                          out_.File("A1.XML"), att_.File("A1.pdf")));
  const RunJournal& j = run_->window().journal;
  ASSERT_EQ(j.invoices.size(), 2u);
  EXPECT_EQ(j.invoices[1].status, InvoiceStatus::kNotWritten);
  EXPECT_THAT(j.invoices[1].reasons, ElementsAre(HasSubstr("Oznaka: 28")));
  EXPECT_EQ(j.attachments.size(), 2u);
}

// No document, no envelope; no envelope, no package; and the result line says so.
TEST_F(BatchTest, NothingIsMadeOfLeftovers) {
  AddInvoice(1, "A1");
  fake_.files.FailOn("create", "A1.XML", 28);
  OpenAndMake();
  EXPECT_THAT(events_, ElementsAre("invoice A1.XML"));
  EXPECT_THAT(Texts(), Contains(HasSubstr("ovojnica in paket nista izdelana")));
  EXPECT_EQ(run_->window().IZHOD2, "Paket ni izdelan: noben e-ra\xE8un ni bil izdelan");

  fake_.messages.Clear();
  events_.clear();
  fake_.files.FailOn("create", "eOvojnica_A2_1217.INV", 28);
  AddInvoice(2, "A2");
  OpenAndMake();
  EXPECT_TRUE(fake_.programs.calls().empty());
  EXPECT_THAT(Texts(), Contains(HasSubstr("Paket ni izdelan")));
  EXPECT_EQ(run_->window().IZHOD2, "Paket ni izdelan: ovojnica ni izdelana");
}

TEST_F(BatchTest, OutputFolderThatIsNotThereIsToldOnceAndNothingIsWritten) {
  AddInvoice(1, "A1");
  AddInvoice(2, "A2");
  BatchRun& r = Run();
  r.Open();
  settings_.POTDOXMLRACUNOV = out_.File("gone/");
  r.FocusMakeButton();
  r.PressMake();
  EXPECT_TRUE(events_.empty());
  ASSERT_EQ(Texts().size(), 1u);
  EXPECT_THAT(Texts()[0], HasSubstr(out_.File("gone/")));
  EXPECT_EQ(r.window().state, RunState::kDone);
  EXPECT_THAT(r.window().IZHOD2, HasSubstr("Paket ni izdelan"));
  EXPECT_FALSE(fake_.files.Exists(out_.File("gone")));
}

// The document goes by the path the run wrote it under: trimmed, in the output folder.
TEST_F(BatchTest, DocumentIsSignedEnvelopedAndPackedWhereItWasWritten) {
  AddHeader(1, "A1");
  data_.AddAttachment(1, 1, "  A1.XML", att_.path(), "XML");  // another folder, leading blanks
  settings_.ROCNOEPODPISOVANJE = 1;
  fake_.programs.AddProgram("PodpisiXML_35.EXE", "/bin/signer");
  OpenAndMake();
  EXPECT_THAT(fake_.programs.calls()[0].args, ElementsAre(out_.File("A1.XML")));
  EXPECT_EQ(fake_.programs.calls()[1].args.back(), out_.File("A1.XML"));
  EXPECT_NE(eracuni::testing::ReadFileOrEmpty(out_.File("eOvojnica_A1_1217.INV"))
                .find("<filename>A1.XML</filename>\n        <size>4</size>"),
            std::string::npos);
  EXPECT_TRUE(fake_.messages.shown().empty()) << Texts()[0];
}

// With no document written, the verdict of the opening chooses nothing: there is no envelope.
TEST_F(BatchTest, DebitNoteFirstAtOpeningMakesNoEnvelopeWhenNoDocumentIsWritten) {
  AddHeader(1, "D1", "385");  // no "XML" attachment: the loop writes nothing
  OpenAndMake();
  EXPECT_TRUE(events_.empty());
  EXPECT_FALSE(fake_.files.Exists(out_.File("eOvojnica_D1_1217.INV")));
}

TEST_F(BatchTest, ChannelsWithoutPackageShowTheEnvelopeName) {
  AddHeader(1, "2018-15", "380", "XXXXSI2X");
  data_.AddAttachment(1, 1, "R.XML", out_.path(), "XML");
  BatchRun& r = Run();
  r.Open();
  settings_.KATERABANKA = 'Z';  // the user's choice on the window
  r.FocusMakeButton();
  EXPECT_TRUE(r.window().no_package_picture_visible);
  r.PressMake();
  EXPECT_EQ(r.window().IZHOD2, "envelope_2018-15_1217.ENV");
  EXPECT_TRUE(fake_.programs.calls().empty());
  EXPECT_FALSE(eracuni::testing::ReadFileOrEmpty(out_.File("envelope_2018-15_1217.ENV")).empty());
}

TEST_F(BatchTest, SignerProblemsAreWarningsAndTheRunGoesOn) {
  AddHeader(1, "A1", "380", "");  // channel O: no package, only the signer runs
  data_.AddAttachment(1, 1, "A1.XML", out_.path(), "XML");
  settings_.ROCNOEPODPISOVANJE = 1;
  OpenAndMake();
  EXPECT_THAT(Texts(), ElementsAre(HasSubstr("PodpisiXML_35.EXE ni mogo\xE8"
                                             "e najti")));
  EXPECT_EQ(fake_.messages.shown()[0].icon, MessageIcon::kExclamation);
  EXPECT_EQ(run_->window().state, RunState::kDone);
}

TEST_F(BatchTest, SignerExitCodeOtherThanZeroIsReported) {
  AddHeader(1, "A1", "380", "");
  data_.AddAttachment(1, 1, "A1.XML", out_.path(), "XML");
  settings_.ROCNOEPODPISOVANJE = 1;
  fake_.programs.AddProgram("PodpisiXML_35.EXE", "/bin/signer");
  fake_.programs.exit_code = 3;
  OpenAndMake();
  ASSERT_EQ(Texts().size(), 1u);
  EXPECT_THAT(Texts()[0], HasSubstr("izhodna koda 3"));
  EXPECT_EQ(run_->command_log()[0], "PodpisiXML_35.EXE \"" + out_.File("A1.XML") + "\"");
}

TEST_F(BatchTest, OldEnvelopeThatCannotBeDeletedIsReported) {
  AddHeader(1, "A1", "380", "");
  data_.AddAttachment(1, 1, "A1.XML", out_.path(), "XML");
  fake_.files.FailOn("delete", "eOvojnica_A1_1217.XML", 16);
  OpenAndMake();
  ASSERT_EQ(Texts().size(), 1u);
  EXPECT_EQ(Texts()[0], "Napaka pri brisanju izhodne datoteke " +
                            out_.File("eOvojnica_A1_1217.XML") +
                            "|| Oznaka: 16 - " + SystemErrorText(16));
}

TEST_F(BatchTest, EnvelopeFailureIsReported) {
  AddHeader(1, "A1", "380", "");
  data_.AddAttachment(1, 1, "A1.XML", out_.path(), "XML");
  fake_.files.FailOn("create", "eOvojnica_A1_1217.XML", 28);
  OpenAndMake();
  ASSERT_EQ(Captions(), std::vector<std::string>{"OPOZORILO"});
  EXPECT_THAT(Texts()[0], HasSubstr("Napaka pri izdelavi ovojnice " +
                                    out_.File("eOvojnica_A1_1217.XML") + "|| Oznaka: 28 - "));
}

}  // namespace
}  // namespace eracuni::batch::testing
