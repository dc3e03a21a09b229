// Hostile names and values in the work data and the settings: blanks, quotes, ";", "$(…)",
// backquotes, "..", leading "-", control characters and 255-character names. No program
// runs through a shell, nothing is written outside the output folder (the same-name rule's
// renames aside), and every case ends in correct output or a clear message.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>

#include "framework/cp1250.h"
#include "tests/support/program_output.h"
#include "tests/support/run_fixture.h"

namespace eracuni::reliability {
namespace {

using eracuni::testing::PackageNames;
using eracuni::testing::RunTest;
using eracuni::testing::Snapshot;
using ::testing::Contains;
using ::testing::HasSubstr;

// What a shell would have made of the names below.
const char* const kShellTraces[] = {"pwned", "pwned2", "pwned3"};

class HostileNames : public RunTest {
 protected:
  HostileNames() {
    old_cwd_ = SystemFileSystem().CurrentDirectory();
    EXPECT_TRUE(SystemFileSystem().SetCurrentDirectory(cwd_.path()).ok());
  }
  ~HostileNames() override { (void)SystemFileSystem().SetCurrentDirectory(old_cwd_); }

  // No trace of a shell in any folder the run knows of.
  void ExpectNoShell() {
    for (const std::string& dir :
         {cwd_.path(), out_.path(), att_.path(), work_.path(), root_.path()})
      for (const auto& [name, bytes] : Snapshot(dir))
        for (const char* trace : kShellTraces)
          EXPECT_NE(std::filesystem::path(name).filename(), trace) << dir << name;
  }

  eracuni::testing::TempDir cwd_, root_;
  std::string old_cwd_;
};

// The real 7za lists the package, and the signer's record is a /bin/sh stand-in's.
#ifndef _WIN32
struct NameCase {
  const char* label;
  std::string name;  // windows-1250
};

class HostileAttachmentName : public HostileNames,
                              public ::testing::WithParamInterface<NameCase> {};

TEST_P(HostileAttachmentName, ReachesThePackageAsItIsOrIsNamedInAMessage) {
  const std::string name = GetParam().name;
  settings_.ROCNOEPODPISOVANJE = 1;
  AddHeader(1, "R1", "BAKOSI2X");
  AddAttachment(1, 1, "R1.XML", out_.path(), "XML");
  AddAttachment(1, 2, name, att_.path(), "PDF", "%PDF-1.4\n");
  WriteWorkFiles();
  const auto attachments_before = Snapshot(att_.path());
  batch::WindowState w = Run();

  EXPECT_EQ(w.state, batch::RunState::kDone);
  EXPECT_EQ(signer_.Record(),
            "args 1\n" + out_.File("R1.XML") + "\nexists " + out_.File("R1.XML") + "\n");
  const std::vector<std::string> packed = PackageNames(out_.File("eOvojnica_R1_1208.ZIP"));
  const bool packed_whole =
      std::find(packed.begin(), packed.end(), Cp1250ToUtf8(name)) != packed.end();
  EXPECT_TRUE(packed_whole || AllTexts().find(Cp1250ToUtf8(name)) != std::string::npos)
      << AllTexts();
  EXPECT_THAT(packed, Contains("R1.XML"));
  EXPECT_EQ(Snapshot(att_.path()), attachments_before);
  ExpectNoShell();
}

INSTANTIATE_TEST_SUITE_P(
    Names, HostileAttachmentName,
    ::testing::Values(NameCase{"Blanks", " ra\xE8un  z  presledki .pdf"},
                      NameCase{"Quotes", "\"citat\" 'enojni'.pdf"},
                      NameCase{"Semicolons", "a;b;c.pdf"},
                      NameCase{"Substitution", "$(touch pwned).pdf"},
                      NameCase{"Backquotes", "`touch pwned2`.pdf"},
                      NameCase{"Everything", "x\"; touch pwned3; echo \"$(id)`id`.pdf"},
                      NameCase{"LeadingDash", "-rf.pdf"}, NameCase{"DoubleDash", "--help.pdf"},
                      NameCase{"Wildcards", "*.pdf"}, NameCase{"Dots", "..pdf"},
                      NameCase{"Control", "ra\x01\x1F\x7F\tun.pdf"},
                      NameCase{"Longest", std::string(96, 'a') + ".pdf"}),
    [](const auto& info) { return std::string(info.param.label); });

TEST_F(HostileNames, FoldersWithShellCharactersWorkAsGiven) {
  const std::string out = root_.File("-iz hod \"1\"; $(touch pwned) `touch pwned2`/");
  const std::string att = root_.File("-pri loge;$(touch pwned3)/");
  ASSERT_TRUE(std::filesystem::create_directory(out));
  ASSERT_TRUE(std::filesystem::create_directory(att));
  settings_.POTDOXMLRACUNOV = out;
  settings_.ROCNOEPODPISOVANJE = 1;
  settings_.DSVIMENURACUNA = 1;
  AddHeader(1, "R 1", "BAKOSI2X");
  AddAttachment(1, 1, "R 1.XML", out, "XML");
  AddAttachment(1, 2, "R 1.pdf", att, "PDF", "%PDF-1.4\n");
  WriteWorkFiles();
  batch::WindowState w = Run();

  EXPECT_EQ(w.state, batch::RunState::kDone);
  EXPECT_TRUE(messages_.shown().empty()) << AllTexts();
  // The folder's ";" splits the list where the stand-in looks for the files, not the argument.
  EXPECT_EQ(signer_.Record(), "args 1\n" + out + "R 1.XML\n");
  EXPECT_THAT(PackageNames(out + "eOvojnica_R 1_1208.ZIP"),
              ::testing::UnorderedElementsAre("eOvojnica_R 1_1208.INV", "R 1.XML", "R 1.pdf"));
  ExpectNoShell();
}
#endif

class EscapingDocumentName : public HostileNames,
                             public ::testing::WithParamInterface<const char*> {};

// The "XML" attachment names the invoice document; a name that leaves the output folder
// is refused with a message, and the other invoices are still written.
TEST_P(EscapingDocumentName, IsRefusedWithAMessage) {
  const std::string out = root_.File("out/");
  ASSERT_TRUE(std::filesystem::create_directory(out));
  settings_.POTDOXMLRACUNOV = out;
  settings_.DSVIMENURACUNA = 1;
  AddHeader(1, "R1", "LJBASI2X");
  AddAttachment(1, 1, GetParam(), out, "XML");
  AddAttachment(1, 2, "R1.pdf", att_.path(), "PDF", "%PDF-1.4\n");
  AddInvoice(2, "R2", "LJBASI2X");
  WriteWorkFiles();
  batch::WindowState w = Run();

  EXPECT_EQ(w.STEVEC, 1);
  EXPECT_THAT(AllTexts(), HasSubstr(GetParam()));
  for (const auto& [name, bytes] : Snapshot(root_.path()))
    EXPECT_EQ(name.rfind("out/", 0), 0u) << "written outside the output folder: " << name;
  ExpectNoShell();
}

INSTANTIATE_TEST_SUITE_P(Names, EscapingDocumentName,
                         ::testing::Values("../R1.XML", "../../R1.XML", "sub/../../R1.XML",
                                           "/tmp/R1.XML", "..", "a\\..\\R1.XML"));

// The same-name rule renames the PDF after the document's name: never into another folder.
TEST_F(HostileNames, SameNameRuleNeverMovesAPdfToAnotherFolder) {
  settings_.ENAKAIMENARACUNA = 1;
  ASSERT_TRUE(std::filesystem::create_directory(att_.File("sub")));
  AddHeader(1, "R1", "LJBASI2X");
  AddAttachment(1, 1, "sub/R1.XML", out_.path(), "XML");
  AddAttachment(1, 2, "R1.pdf", att_.path(), "PDF", "%PDF-1.4\n");
  // A PDF named inside a subfolder stays there too.
  AddHeader(2, "R2", "LJBASI2X");
  AddAttachment(2, 1, "R2.XML", out_.path(), "XML");
  AddAttachment(2, 2, "sub/R2.pdf", att_.path(), "PDF", "%PDF-1.4\n");
  WriteWorkFiles();
  const auto before = Snapshot(att_.path());
  Run();
  EXPECT_EQ(Snapshot(att_.path()), before);
}

// The copy under the buyer's tax number stays in the output folder, whatever the buyer's
// identifier and the document's name hold.
TEST_F(HostileNames, TaxNumberCopyStaysInTheOutputFolder) {
  const std::string out = root_.File("out/");
  ASSERT_TRUE(std::filesystem::create_directory(out));
  ASSERT_TRUE(std::filesystem::create_directory(root_.File("out/R1_x")));
  settings_.POTDOXMLRACUNOV = out;
  settings_.DSVIMENURACUNA = 1;
  AddHeader(1, "R1", "LJBASI2X").SetText(workdata::eRACUNI::PODATEKPODJETJABY1, "x/../../escaped");
  AddAttachment(1, 1, "R1.XML", out, "XML");
  AddHeader(2, "R2", "LJBASI2X");
  AddAttachment(2, 1, "../R2.XML", out, "XML");
  eracuni::testing::WriteFileOrDie(root_.File("R2.XML"), "<not ours/>");
  WriteWorkFiles();
  Run();
  for (const auto& [name, bytes] : Snapshot(root_.path()))
    EXPECT_TRUE(name.rfind("out/", 0) == 0 || name == "R2.XML") << "written outside: " << name;
}

// Invoice numbers name the envelope and the package: separators in them give a clear
// message or a file inside the output folder, nothing else.
TEST_F(HostileNames, InvoiceNumbersWithSeparatorsStayInTheOutputFolder) {
  const std::string out = root_.File("out/");
  ASSERT_TRUE(std::filesystem::create_directory(out));
  settings_.POTDOXMLRACUNOV = out;
  AddHeader(1, "../../2026/15", "BAKOSI2X");
  AddAttachment(1, 1, "R15.XML", out, "XML");
  WriteWorkFiles();
  Run();
  for (const auto& [name, bytes] : Snapshot(root_.path()))
    EXPECT_EQ(name.rfind("out/", 0), 0u) << "written outside: " << name;
  ExpectNoShell();
}

}  // namespace
}  // namespace eracuni::reliability
