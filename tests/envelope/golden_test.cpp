// Whole envelopes compared byte for byte with the files in tests/golden/envelope. With the
// clock and the random source fixed the output is fully determined; set
// ERACUNI_UPDATE_GOLDEN=1 to rewrite the files after an intended change.
#include <cstdlib>

#include "tests/envelope/envelope_fixture.h"

namespace eracuni::envelope::testing {
namespace {

using eracuni::testing::ReadFileOrEmpty;

std::string GoldenPath(const std::string& name) {
  return std::string(ERACUNI_SOURCE_DIR) + "/tests/golden/envelope/" + name;
}

class GoldenTest : public EnvelopeTest {
 protected:
  GoldenTest() : old_cwd_(SystemFileSystem().CurrentDirectory()) {
    fake_.random.Queue({1, 2, 3, 4, 5, 6, 7, 8, 9, 9, 8, 7, 6, 5, 4, 3, 2, 1});
    // The share's files, empty: on Linux a path of that form names a file in the current
    // folder.
    EXPECT_TRUE(SystemFileSystem().SetCurrentDirectory(share_.path()).ok());
    eracuni::testing::WriteFileOrDie(out_.File("R-15.XML"), "");
  }
  ~GoldenTest() override { (void)SystemFileSystem().SetCurrentDirectory(old_cwd_); }
  void SetUp() override {
#ifdef _WIN32
    // Here the path names a real share; under wine scripts/windows provides it.
    if (!SystemFileSystem().IsDirectory(kShare))
      GTEST_SKIP() << "the share " << kShare << " is not reachable";
#endif
    for (const char* name : {"R-15.PDF", "dobavnica.PDF"})
      eracuni::testing::WriteFileOrDie(std::string(kShare) + name, "");
  }

  static constexpr const char* kShare = "\\\\streznik\\priloge\\";
  std::string old_cwd_;
  eracuni::testing::TempDir share_;

  // Two invoices, a credit note and an invoice paid to UJP's bank; the first one's files have
  // fixed sizes in a temporary folder, whose path no envelope below shows.
  void AddInvoices() {
    AddHeader(14, "R-14").SetText(H::VRSTARACUNA, "381");
    AddFile(14, 1, "R-14.XML", "XML", 1200);
    AddFile(14, 2, "R-14.PDF", "PDF", 3400);
    workdata::RecordBuffer& h = AddHeader(15, " R-15");
    h.SetText(H::NAZIVBANKE2, "UJPLSI2DICL");
    h.SetText(H::TEKST1NASL, "Pla\xE8ilo \x9Atevilka \"15\" & ostalo za december");
    // Empty files on a share: sizes 0, and a fixed location.
    const std::string share = kShare;
    data_.AddAttachment(15, 1, "R-15.XML", share, "XML", "e-ra\xE8un");
    data_.AddAttachment(15, 2, "R-15.PDF", share, "PDF", "Vizualizacija");
    data_.AddAttachment(15, 3, "dobavnica.PDF", share, "PDF",
                        "Dobavnica \xB0"
                        "1");
  }

  void ExpectGolden(const std::string& name) {
    const std::string written = ReadFileOrEmpty(EnvelopePath());
    if (eracuni::testing::kXmlReaderAvailable) Parse();
    if (std::getenv("ERACUNI_UPDATE_GOLDEN"))
      eracuni::testing::WriteFileOrDie(GoldenPath(name), written);
    EXPECT_EQ(written, ReadFileOrEmpty(GoldenPath(name))) << "golden file " << name;
  }
};

TEST_F(GoldenTest, PlainEnvelopeOnChannelK) {
  AddInvoices();
  ASSERT_TRUE(RunPlain().status.ok());
  ExpectGolden("plain_K.xml");
}

TEST_F(GoldenTest, PaymentEnvelopeOnChannelO) {
  settings_.KATERABANKA = 'O';
  settings_.DODAJLOKACIJOPRILOG = 1;
  settings_.PREDPONASI = 0;
  AddInvoices();
  ASSERT_TRUE(RunPayment().status.ok());
  ExpectGolden("payment_O.xml");
}

}  // namespace
}  // namespace eracuni::envelope::testing
