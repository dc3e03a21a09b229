// No half documents: every document goes out under a temporary name and is renamed into
// place only when complete. A full disk or a failing write shows a message naming the file
// and the error, and leaves nothing under the final name nor any temporary file behind.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cerrno>

#include "framework/platform.h"
#include "tests/support/run_fixture.h"

namespace eracuni::reliability {
namespace {

using eracuni::testing::RunTest;
using eracuni::testing::Snapshot;

using ::testing::HasSubstr;

class WriteFaults : public RunTest {
 protected:
  void SetUp() override {
    settings_.DSVIMENURACUNA = 1;         // also the copy under the buyer's tax number
    AddInvoice(1, "2026-1", "LJBASI2X");  // channel O: envelope, no package
    AddInvoice(2, "2026-2", "LJBASI2X");
    WriteWorkFiles();
  }
  // The output folder's names, and none of them temporary.
  std::vector<std::string> OutputNames() {
    std::vector<std::string> names;
    for (const auto& [name, bytes] : Snapshot(out_.path())) {
      EXPECT_EQ(name.find(".tmp"), std::string::npos) << "left behind: " << name;
      names.push_back(name);
    }
    return names;
  }
  static constexpr const char* kEnvelope = "eOvojnica_2026-2_1208.XML";
};

// Each step of writing a document, failing for the first invoice only.
class InvoiceWriteFault : public WriteFaults, public ::testing::WithParamInterface<const char*> {};

TEST_P(InvoiceWriteFault, NamesTheFileAndLeavesNoHalfDocument) {
  files_.FailOn(GetParam(), "2026-1.XML", EIO);
  batch::WindowState w = Run();
  EXPECT_EQ(w.STEVEC, 1);
  ASSERT_FALSE(Texts().empty());
  EXPECT_THAT(Texts()[0], HasSubstr(out_.File("2026-1.XML")));
  EXPECT_THAT(Texts()[0], HasSubstr(SystemErrorText(EIO)));
  EXPECT_THAT(OutputNames(), ::testing::Not(::testing::Contains("2026-1.XML")));
  EXPECT_THAT(OutputNames(), ::testing::Contains("2026-2.XML"));
}

INSTANTIATE_TEST_SUITE_P(Steps, InvoiceWriteFault,
                         ::testing::Values("create", "append", "close", "rename"));

TEST_F(WriteFaults, FullDiskLeavesNoDocumentUnderItsFinalName) {
  files_.LimitWrites(out_.path(), 200);
  batch::WindowState w = Run();
  EXPECT_EQ(w.STEVEC, 0);
  const std::string texts = AllTexts();
  EXPECT_THAT(texts, HasSubstr(out_.File("2026-1.XML")));
  EXPECT_THAT(texts, HasSubstr(out_.File("2026-2.XML")));
  // No document, so no envelope announcing them.
  EXPECT_THAT(texts, HasSubstr("Noben e-ra\xC4\x8Dun ni bil izdelan"));
  EXPECT_THAT(texts, HasSubstr(SystemErrorText(ENOSPC)));
  EXPECT_THAT(OutputNames(), ::testing::IsEmpty());
}

TEST_F(WriteFaults, FullDiskDuringTheEnvelopeKeepsTheInvoicesAndDropsTheEnvelope) {
  files_.FailOn("append", kEnvelope, ENOSPC);
  batch::WindowState w = Run();
  EXPECT_EQ(w.STEVEC, 2);
  ASSERT_EQ(Texts().size(), 1u) << AllTexts();
  EXPECT_THAT(Texts()[0], HasSubstr(out_.File(kEnvelope)));
  EXPECT_THAT(Texts()[0], HasSubstr(SystemErrorText(ENOSPC)));
  EXPECT_THAT(OutputNames(), ::testing::IsSupersetOf({"2026-1.XML", "2026-2.XML"}));
  EXPECT_THAT(OutputNames(), ::testing::Not(::testing::Contains(kEnvelope)));
}

TEST_F(WriteFaults, FullDiskDuringTheTaxNumberCopyLeavesNoHalfCopy) {
  // The copy is silent when it fails (the envelope is complete without it), but it must not
  // leave a cut file under the copy's name.
  files_.LimitWrites("_87654321", 10);
  batch::WindowState w = Run();
  EXPECT_EQ(w.STEVEC, 2);
  for (const std::string& name : OutputNames())
    EXPECT_EQ(name.find("_87654321"), std::string::npos) << name;
}

TEST_F(WriteFaults, AnEarlierDocumentSurvivesAFailedRewrite) {
  eracuni::testing::WriteFileOrDie(out_.File("2026-1.XML"), "<earlier/>");
  files_.FailOn("append", "2026-1.XML", ENOSPC);
  Run();
  // The old file is either gone (the stale outputs are cleared) or whole, never cut.
  const std::string now = eracuni::testing::ReadFileOrEmpty(out_.File("2026-1.XML"));
  EXPECT_TRUE(now.empty() || now == "<earlier/>") << now;
  OutputNames();
}

}  // namespace
}  // namespace eracuni::reliability
