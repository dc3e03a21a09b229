// Whole runs with the real writers, the real file system, the real 7za and a stand-in
// signer on PATH.
#include <fcntl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <sstream>

#include "batch/batch_run.h"
#include "batch_fixture.h"
#include "framework/cp1250.h"

extern char** environ;

namespace eracuni::batch::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::UnorderedElementsAre;
namespace H = workdata::eRACUNI;

// Runs a program without a shell and returns what it wrote to standard output.
std::string Capture(const std::string& program, const std::vector<std::string>& args) {
  eracuni::testing::TempDir tmp;
  std::string out = tmp.File("stdout");
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  std::vector<char*> argv{const_cast<char*>(program.c_str())};
  for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  pid_t pid = 0;
  int status = 0;
  if (posix_spawnp(&pid, program.c_str(), &actions, nullptr, argv.data(), environ) == 0)
    waitpid(pid, &status, 0);
  posix_spawn_file_actions_destroy(&actions);
  return eracuni::testing::ReadFileOrEmpty(out);
}

// The names inside a ZIP package, as `7za l` lists them.
std::vector<std::string> PackageNames(const std::string& package) {
  std::vector<std::string> names;
  std::istringstream listing(Capture("7za", {"l", "-slt", "-ba", package}));
  for (std::string line; std::getline(listing, line);)
    if (line.rfind("Path = ", 0) == 0) names.push_back(line.substr(7));
  return names;
}

class EndToEndTest : public BatchTest {
 protected:
  EndToEndTest()
      : real_{fake_.messages, fake_.clock, PosixFileSystem(), PosixProgramRunner(), fake_.random} {
    writers_ = StandardWriters();
    const char* path = std::getenv("PATH");
    old_path_ = path ? path : "";
  }
  ~EndToEndTest() override { setenv("PATH", old_path_.c_str(), 1); }

  // A header the real writers can describe, with an "XML" attachment naming its document
  // and a PDF beside it in att_.
  void AddRealInvoice(uint32_t ident, const std::string& number, const std::string& bic,
                      const std::string& pdf_name = {}) {
    workdata::RecordBuffer& h = AddHeader(ident, number, "380", bic);
    h.SetText(H::DATUMRACUNA, "2018-12-17T00:00:00");
    h.SetText(H::KODAVALUTE, "EUR");
    h.SetText(H::NAZIVPARTNERJA1,
              "Mizarstvo \x8E"
              "agar d.o.o.");
    h.SetText(H::ZNESEKRACUNASKUPAJ, "122.00");
    std::string pdf = pdf_name.empty() ? number + ".pdf" : pdf_name;
    data_.AddAttachment(ident, 1, number + ".XML", settings_.POTDOXMLRACUNOV, "XML");
    data_.AddAttachment(ident, 2, pdf, att_.path(), "PDF");
    eracuni::testing::WriteFileOrDie(Cp1250ToUtf8(att_.path() + pdf), "%PDF-1.4\n%%EOF\n");
  }

  // Puts a stand-in signer on PATH that records its arguments, which documents exist when
  // it runs, and whether `envelope` already exists.
  std::string InstallSigner(const std::string& envelope, int exit_code = 0) {
    std::string record = bin_.File("signer-record");
    std::string script =
        "#!/bin/sh\n"
        "echo \"args $#\" >> '" +
        record +
        "'\n"
        "printf '%s\\n' \"$1\" >> '" +
        record +
        "'\n"
        "set -f; IFS=';'; for f in $1; do [ -e \"$f\" ] && echo \"exists $f\" >> '" +
        record +
        "'; done\n"
        "[ -e '" +
        envelope + "' ] && echo envelope >> '" + record +
        "'\n"
        "exit " +
        std::to_string(exit_code) + "\n";
    std::string signer = bin_.File("PodpisiXML_35.EXE");
    eracuni::testing::WriteFileOrDie(signer, script);
    chmod(signer.c_str(), 0755);
    setenv("PATH", (bin_.path() + ":" + old_path_).c_str(), 1);
    return record;
  }

  BatchRun& MakeRun() {
    files_ = data_.Open(settings_, errors_);
    run_ = std::make_unique<BatchRun>(
        BatchContext{settings_, *files_, real_, errors_, nullptr, writers_});
    run_->Open();
    run_->FocusMakeButton();
    run_->PressMake();
    return *run_;
  }

  Platform real_;
  eracuni::testing::TempDir bin_;
  std::string old_path_;
};

TEST_F(EndToEndTest, PackageHoldsTheEnvelopeAndTheFilesOfTheWrittenInvoices) {
  fake_.clock.Set({2019, 3, 5, 9, 0, 0, 0});
  settings_.POTDOXMLRACUNOV = out_.path();
  AddRealInvoice(1, "A1", "BAKOSI2X");
  AddHeader(2, "A2");  // no "XML" attachment: the loop stops here
  data_.AddAttachment(2, 1, "A2.pdf", att_.path(), "PDF");
  eracuni::testing::WriteFileOrDie(att_.File("A2.pdf"), "%PDF-1.4\n");
  AddRealInvoice(3, "A3", "BAKOSI2X");
  eracuni::testing::WriteFileOrDie(out_.File("A3.XML"), "<earlier/>");  // from an earlier run
  BatchRun& r = MakeRun();

  EXPECT_EQ(r.window().IZHOD2, "eOvojnica_A3_305.ZIP");
  EXPECT_THAT(PackageNames(out_.File("eOvojnica_A3_305.ZIP")),
              UnorderedElementsAre("eOvojnica_A3_305.INV", "A1.XML", "A1.pdf"));
  EXPECT_THAT(Captions(), ElementsAre(" NAPAKA v eRACPRIL.TPS"));
  const RunJournal& j = r.window().journal;
  ASSERT_EQ(j.invoices.size(), 3u);
  EXPECT_EQ(j.invoices[0].status, InvoiceStatus::kWritten);
  EXPECT_EQ(j.invoices[0].document, out_.File("A1.XML"));
  EXPECT_EQ(j.invoices[1].status, InvoiceStatus::kNotWritten);
  EXPECT_EQ(j.invoices[2].status, InvoiceStatus::kNotReached);
  EXPECT_TRUE(j.envelope_written);
  EXPECT_TRUE(j.package_made);
}

TEST_F(EndToEndTest, MissingAttachmentIsNamedAndLeftOutOnEveryChannel) {
  settings_.POTDOXMLRACUNOV = out_.path();
  AddRealInvoice(1, "A1", "BAKOSI2X");
  data_.AddAttachment(1, 3, "gone.pdf", att_.path(), "PDF");
  BatchRun& r = MakeRun();
  EXPECT_EQ(r.window().IZHOD2, "eOvojnica_A1_1217.ZIP");
  ASSERT_EQ(Captions(), std::vector<std::string>{" NAPAKA v eRACPRIL.TPS"});
  EXPECT_THAT(Texts()[0], HasSubstr(att_.File("gone.pdf")));
  EXPECT_THAT(PackageNames(out_.File("eOvojnica_A1_1217.ZIP")),
              UnorderedElementsAre("eOvojnica_A1_1217.INV", "A1.XML", "A1.pdf"));
  EXPECT_EQ(eracuni::testing::ReadFileOrEmpty(out_.File("eOvojnica_A1_1217.INV")).find("gone"),
            std::string::npos);

  fake_.messages.Clear();
  run_->PressCancel();
  files_ = data_.Open(settings_, errors_);
  BatchRun o({settings_, *files_, real_, errors_, nullptr, writers_});
  o.Open();
  settings_.KATERABANKA = 'O';
  o.FocusMakeButton();
  o.PressMake();
  EXPECT_THAT(Texts(), ElementsAre(HasSubstr(att_.File("gone.pdf"))));
}

TEST_F(EndToEndTest, ChannelsZAndOMakeNoPackage) {
  settings_.POTDOXMLRACUNOV = out_.path();
  AddRealInvoice(1, "2018-15", "LJBASI2X");  // channel O
  BatchRun& r = MakeRun();
  EXPECT_EQ(r.window().IZHOD2, "eOvojnica_2018-15_1217.XML");
  EXPECT_TRUE(fake_.files.Exists(out_.File("eOvojnica_2018-15_1217.XML")));
  r.PressCancel();

  files_ = data_.Open(settings_, errors_);
  BatchRun z({settings_, *files_, real_, errors_, nullptr, writers_});
  z.Open();
  settings_.KATERABANKA = 'Z';
  z.FocusMakeButton();
  z.PressMake();
  EXPECT_EQ(z.window().IZHOD2, "envelope_2018-15_1217.ENV");
  std::vector<std::string> names = *PosixFileSystem().ListDirectory(out_.path());
  for (const std::string& name : names) EXPECT_EQ(name.find(".ZIP"), std::string::npos) << name;
  EXPECT_TRUE(fake_.messages.shown().empty());
}

TEST_F(EndToEndTest, LastNumberWithADotNamesThePackage) {
  settings_.POTDOXMLRACUNOV = out_.path();
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
  std::string record = InstallSigner(out + "eOvojnica_R 1_1217.INV");
  BatchRun& r = MakeRun();

  EXPECT_TRUE(fake_.messages.shown().empty()) << Texts()[0];
  EXPECT_EQ(eracuni::testing::ReadFileOrEmpty(record),
            "args 1\n" + out + "R 1.XML\nexists " + out + "R 1.XML\n");
  EXPECT_THAT(PackageNames(out + "eOvojnica_R 1_1217.ZIP"),
              UnorderedElementsAre("eOvojnica_R 1_1217.INV", "R 1.XML", Cp1250ToUtf8(pdf)));
  EXPECT_EQ(r.command_log().size(), 2u);
}

TEST_F(EndToEndTest, SignerRunsOnceOverAllDocumentsBeforeTheEnvelope) {
  settings_.POTDOXMLRACUNOV = out_.path();
  settings_.ROCNOEPODPISOVANJE = 1;
  AddRealInvoice(1, "A1", "LJBASI2X");
  AddRealInvoice(2, "A2", "LJBASI2X");
  std::string record = InstallSigner(out_.File("eOvojnica_A2_1217.XML"));
  MakeRun();
  std::string list = out_.File("A1.XML") + ";" + out_.File("A2.XML");
  EXPECT_EQ(eracuni::testing::ReadFileOrEmpty(record), "args 1\n" + list + "\nexists " +
                                                           out_.File("A1.XML") + "\nexists " +
                                                           out_.File("A2.XML") + "\n");
  EXPECT_TRUE(fake_.messages.shown().empty());
}

TEST_F(EndToEndTest, SignerThatFailsOrIsMissingIsAWarning) {
  settings_.POTDOXMLRACUNOV = out_.path();
  settings_.ROCNOEPODPISOVANJE = 1;
  AddRealInvoice(1, "A1", "LJBASI2X");
  InstallSigner(out_.File("eOvojnica_A1_1217.XML"), 4);
  MakeRun();
  EXPECT_THAT(Texts(), ElementsAre(HasSubstr("izhodna koda 4")));

  fake_.messages.Clear();
  run_->PressCancel();
  setenv("PATH", "/nonexistent", 1);
  files_ = data_.Open(settings_, errors_);
  BatchRun again({settings_, *files_, real_, errors_, nullptr, writers_});
  again.Open();
  again.FocusMakeButton();
  again.PressMake();
  EXPECT_THAT(Texts(), ElementsAre(HasSubstr("ni mogo\xE8"
                                             "e najti")));
  EXPECT_TRUE(fake_.files.Exists(out_.File("eOvojnica_A1_1217.XML")));
}

}  // namespace
}  // namespace eracuni::batch::testing
