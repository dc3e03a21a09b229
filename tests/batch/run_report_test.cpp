#include "batch/run_report.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <regex>

#include "batch/messages.h"
#include "batch/stages.h"
#include "batch_fixture.h"
#include "framework/cp1250.h"

namespace eracuni::batch::testing {
namespace {

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::Not;

InvoiceOutcome Invoice(std::string number, InvoiceStatus status,
                       std::vector<std::string> reasons = {}) {
  InvoiceOutcome i;
  i.number = number;
  i.buyer = "Kupec " + number;
  i.date = "2026-12-01";
  i.amount = "100.00";
  i.document = "/out/" + number + ".XML";
  i.status = status;
  i.reasons = std::move(reasons);
  return i;
}

// Each invoice row of the page as "number|status|reason;reason".
std::vector<std::string> InvoiceRows(const std::string& page) {
  std::vector<std::string> rows;
  std::regex row(
      "<tr class=\"[a-z]+\"><td class=\"num\">\\d+</td><td>([^<]*)</td>.*?<span class=\"[a-z]+\">"
      "([^<]*)</span>(?:<ul class=\"reasons\">(.*?)</ul>)?</td></tr>");
  for (std::sregex_iterator i(page.begin(), page.end(), row), end; i != end; ++i) {
    std::string reasons = std::regex_replace((*i)[3].str(), std::regex("</li><li>"), ";");
    reasons = std::regex_replace(reasons, std::regex("</?li>"), "");
    rows.push_back((*i)[1].str() + "|" + (*i)[2].str() + "|" + reasons);
  }
  return rows;
}

RunJournal OneOfEach() {
  RunJournal j;
  j.started = "2026-12-08 09:30:15";
  j.output_folder = "/out/";
  j.channel = "K";
  j.version = "1.6";
  j.invoices = {Invoice("A1", InvoiceStatus::kWritten),
                Invoice("A2", InvoiceStatus::kRefused, {"BR-CO-15 manjka", "BR-16 manjka"}),
                Invoice("A3", InvoiceStatus::kWrittenWithWarnings, {"UJP: sklic"}),
                Invoice("A4", InvoiceStatus::kNotWritten, {"disk poln"}),
                Invoice("A5", InvoiceStatus::kNotReached)};
  j.attachments = {{"A1", "/pri/A1.pdf", true, 1234567, ""},
                   {"A2", "/pri/A2.pdf", false, 0, "datoteka ne obstaja"}};
  j.envelope_path = "/out/eOvojnica_A5_1208.INV";
  j.envelope_written = true;
  j.envelope_files = {"/out/eOvojnica_A1_1208.ENV", "/out/eOvojnica_A5_1208.ENV"};
  j.envelope_size = 2048;
  j.package_path = "/out/eOvojnica_A5_1208.ZIP";
  j.package_made = true;
  j.package_files = {"A1.XML", "eOvojnica_A5_1208.INV"};
  j.messages = {"OPOZORILO: Prva vrstica|| Druga"};
  return j;
}

TEST(RunReport, OneRowPerInvoiceWithItsStatusAndReasons) {
  std::string page = RenderRunReport(OneOfEach());
  EXPECT_THAT(InvoiceRows(page),
              ElementsAre("A1|zapisan|", "A2|zavrnjen|BR-CO-15 manjka;BR-16 manjka",
                          "A3|zapisan z opozorili|UJP: sklic", "A4|ni zapisan|disk poln",
                          "A5|ni obdelan|"));
  EXPECT_THAT(page, HasSubstr("zapisan: 1, zapisan z opozorili: 1, zavrnjen: 1, ni zapisan: 1, "
                              "ni obdelan: 1"));
  EXPECT_THAT(page, HasSubstr("08.12.2026 ob 09:30:15"));
  EXPECT_THAT(page, HasSubstr("K \xE2\x80\x93 Banka INTESA SANPAOLO"));
  // The missing attachment is counted and named with its problem; the other has its size.
  EXPECT_THAT(page, HasSubstr("Priloge (manjkajo\xC4\x8Dih: 1)"));
  EXPECT_THAT(page, HasSubstr("<td class=\"path\">/pri/A2.pdf</td><td class=\"num\"></td>"
                              "<td class=\"failed\">datoteka ne obstaja</td>"));
  EXPECT_THAT(page, HasSubstr("<td class=\"num\">1.234.567 B</td>"));
  EXPECT_THAT(page, HasSubstr("<li>eOvojnica_A5_1208.INV</li>"));
  EXPECT_THAT(page, HasSubstr("<td>eOvojnica_A1_1208.ENV, eOvojnica_A5_1208.ENV</td>"));
  EXPECT_THAT(page, HasSubstr("<b>OPOZORILO</b>: Prva vrstica<br><br> Druga"));
}

TEST(RunReport, EscapesEveryValueAndIsUtf8) {
  RunJournal j = OneOfEach();
  j.invoices[0].buyer =
      "<script>alert('x')</script> & \"Mizarstvo \x8E"
      "agar\"\x01";
  j.attachments[1].path = "/pri/<img src=x>.pdf";
  j.messages = {"<b>: <i>"};
  std::string page = RenderRunReport(j);
  EXPECT_THAT(page, Not(HasSubstr("<script")));
  EXPECT_THAT(page, Not(HasSubstr("<img")));
  EXPECT_THAT(page, Not(HasSubstr("<i>")));
  EXPECT_THAT(page, HasSubstr("&lt;script&gt;alert(&#39;x&#39;)&lt;/script&gt; &amp; "
                              "&quot;Mizarstvo \xC5\xBD"
                              "agar&quot; </td>"));
  EXPECT_TRUE(Utf8ToCp1250(page).has_value()) << "not UTF-8 throughout";
}

TEST_F(BatchTest, EveryRunLeavesItsReportBesideTheEnvelope) {
  AddInvoice(1, "A1");
  AddHeader(2, "A2");  // no "XML" attachment: the loop stops here
  BatchRun& r = OpenAndMake();
  const RunJournal& j = r.window().journal;
  EXPECT_EQ(j.report_path, out_.File("eOvojnica_A2_1217.html"));
  EXPECT_TRUE(r.window().report_visible);
  EXPECT_EQ(j.started, "2018-12-17 10:00:00");
  EXPECT_EQ(j.channel, "K");
  EXPECT_EQ(j.version, "1.6");
  ASSERT_EQ(j.messages.size(), 1u);
  EXPECT_THAT(j.messages[0], HasSubstr("NAPAKA v eRACPRIL.TPS:  V podatkih prilog"));
  Result<std::string> shown = r.PressReport();
  ASSERT_TRUE(shown.ok());
  EXPECT_EQ(*shown, RenderRunReport(j));
}

// The whole run: one invoice refused, one attachment missing, the others written.
TEST_F(BatchTest, TheReportOfARunShowsTheRefusedInvoiceAndTheMissingAttachment) {
  AddInvoice(1, "A1");
  AddInvoice(2, "A2");
  AddInvoice(3, "A3");
  std::remove(att_.File("A3.pdf").c_str());
  settings_.VERZIJAESLOG = "2.0";
  auto write = writers_.invoice;
  writers_.invoice20 = [write](settings::Settings& s, workdata::WorkFiles& f, FileSystem& fs,
                               std::string_view name) {
    eslog20::DocumentOutcome o;
    if (f.headers().buffer().U32(workdata::eRACUNI::IDENTRACUN) == 2)
      o.refusals = {{"R02", "BT-1 manjka"}, {"R19", "BR-CO-15 <ne>"}};
    else
      o.status = write(s, f, fs, name);
    return o;
  };
  BatchRun& r = OpenAndMake();
  std::string page = eracuni::testing::ReadFileOrEmpty(r.window().journal.report_path);
  EXPECT_THAT(
      InvoiceRows(page),
      ElementsAre("A1|zapisan|", "A2|zavrnjen|BT-1 manjka;BR-CO-15 &lt;ne&gt;", "A3|zapisan|"));
  EXPECT_THAT(page, HasSubstr("Razli\xC4\x8Dica e-SLOG</th><td>2.0"));
  EXPECT_THAT(page, HasSubstr("Priloge (manjkajo\xC4\x8Dih: 1)"));
  EXPECT_THAT(page,
              HasSubstr(att_.File("A3.pdf") +
                        "</td><td class=\"num\"></td><td class=\"failed\">datoteka ne obstaja"));
  EXPECT_THAT(page, HasSubstr("NAPAKA e-SLOG 2.0</b>"));
  EXPECT_THAT(Texts(), Contains(" Teh prilog ni v ovojnici in paketu:|ra\xE8un A3: " +
                                att_.File("A3.pdf") + " (datoteka ne obstaja)"));
}

TEST_F(BatchTest, TheErrorManagersMessagesReachTheJournalThroughARecordingPlatformBox) {
  AddInvoice(1, "A1");
  settings_.VERZIJAESLOG = " 2.0";
  RecordingMessageBox recorder(fake_.messages);
  ErrorManager errors(recorder, terminator_);
  errors.Init();
  writers_.invoice = [&](settings::Settings&, workdata::WorkFiles&, FileSystem&, std::string_view) {
    errors.SetFileName("eRACUNIP.TPS");
    errors.RaiseError(msg::kFileAccessError);
    return Status::IoError("read");
  };
  Platform platform{recorder, fake_.clock, fake_.files, fake_.programs, fake_.random};
  files_ = data_.Open(settings_, errors);
  settings_.POTDOXMLRACUNOV = out_.path();
  BatchRun r({settings_, *files_, platform, errors, nullptr, writers_, &recorder});
  r.Open();
  r.FocusMakeButton();
  r.PressMake();
  const std::vector<std::string>& m = r.window().journal.messages;
  ASSERT_EQ(m.size(), 3u);
  EXPECT_THAT(m[0], HasSubstr("eRACUNIP.TPS"));
  EXPECT_THAT(m[1], HasSubstr("Napaka pri izdelavi datoteke ra\xE8una"));
  EXPECT_THAT(m[2], HasSubstr("Noben e-ra\xE8un ni bil izdelan"));
  EXPECT_EQ(r.window().journal.version, "2.0");
  r.PressCancel();
  recorder.Show(MessageRequest{"not of the run", "X", {}, {}, {}, {}});
  EXPECT_EQ(m.size(), 3u);
}

TEST_F(BatchTest, AReportThatCannotBeWrittenIsToldAndLeavesNoStaleOne) {
  AddInvoice(1, "A1");
  eracuni::testing::WriteFileOrDie(out_.File("eOvojnica_A1_1217.html"), "earlier run");
  fake_.files.FailOn("create", ".eOvojnica_A1_1217.tmp", 28);
  BatchRun& r = OpenAndMake();
  ASSERT_EQ(Captions(), std::vector<std::string>{"OPOZORILO"});
  EXPECT_THAT(Texts()[0], HasSubstr("ni bilo mogo\xE8"
                                    "e zapisati v datoteko " +
                                    out_.File("eOvojnica_A1_1217.html") + "|| Oznaka: 28 - "));
  EXPECT_EQ(r.window().journal.report_path, "");
  EXPECT_FALSE(r.window().report_visible);
  EXPECT_FALSE(fake_.platform.files.Exists(out_.File("eOvojnica_A1_1217.html")));
}

// The page reaches its file in pieces: a full disk after the first of them.
TEST_F(BatchTest, AReportCutShortByAFullDiskIsToldAndLeavesNoFileBehind) {
  Run();
  BatchContext ctx{settings_, *files_, fake_.platform, errors_, nullptr, writers_};
  WindowState w;
  w.DATOTEKAOVOJNICE = out_.File("eOvojnica_A1_1217.XML");
  for (int i = 0; i < 2000; ++i)
    w.journal.invoices.push_back(Invoice(std::to_string(i), InvoiceStatus::kWritten));
  eracuni::testing::WriteFileOrDie(out_.File("eOvojnica_A1_1217.html"), "earlier run");
  fake_.files.LimitWrites(".eOvojnica_A1_1217.tmp", 100000);
  WriteRunReport(ctx, w);
  ASSERT_EQ(Captions(), std::vector<std::string>{"OPOZORILO"});
  EXPECT_THAT(Texts()[0], HasSubstr("Oznaka: 28 - "));
  EXPECT_EQ(w.journal.report_path, "");
  EXPECT_FALSE(w.report_visible);
  EXPECT_EQ(*fake_.files.ListDirectory(out_.path()), std::vector<std::string>{});
}

TEST_F(BatchTest, ARunWithoutAnEnvelopeNameWritesNoReportBesideTheProgram) {
  Run();
  BatchContext ctx{settings_, *files_, fake_.platform, errors_, nullptr, writers_};
  WindowState w;  // stopped before its envelope was named
  WriteRunReport(ctx, w);
  EXPECT_EQ(w.journal.report_path, "");
  EXPECT_FALSE(w.report_visible);
  EXPECT_TRUE(fake_.files.log().empty());
  EXPECT_TRUE(fake_.messages.shown().empty());
}

}  // namespace
}  // namespace eracuni::batch::testing
