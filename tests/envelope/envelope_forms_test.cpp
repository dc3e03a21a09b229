#include "envelope/envelope_forms.h"

#include <gtest/gtest.h>

#include "envelope/file_size.h"
#include "framework/testing/fakes.h"

namespace eracuni::envelope {
namespace {

TEST(EnvelopeFormsTest, PaddedBicFillsToElevenWithX) {
  EXPECT_EQ(PaddedBic("QRSTSI2X   "), "QRSTSI2XXXX");
  EXPECT_EQ(PaddedBic("LJBASI2XABC"), "LJBASI2XABC");
  EXPECT_EQ(PaddedBic("           "), "XXXXXXXXXXX");
  EXPECT_EQ(PaddedBic("LJBASI2XABCDE"), "LJBASI2XABCDE");  // longer values stay
}

TEST(EnvelopeFormsTest, IdentifiersAndTaxNumbersLoseOnlyALeadingSi) {
  EXPECT_EQ(WithoutSiPrefix("SI12345678   "), "12345678");
  EXPECT_EQ(WithoutSiPrefix("SI1234567890"), "12345678");
  EXPECT_EQ(WithoutSiPrefix("HR12345678  "), "HR12345678");
  EXPECT_EQ(WithoutSiPrefix(" SI12345678"), " SI12345678");
  EXPECT_EQ(TaxNumber("SI12345678 "), "12345678");
  EXPECT_EQ(TaxNumber("  HR99   "), "HR99");
  EXPECT_EQ(TaxNumber(std::string(40, '9')), std::string(32, '9'));
}

TEST(EnvelopeFormsTest, BaseNameIsThePartBeforeTheFirstDot) {
  EXPECT_EQ(BaseName("R-15.XML   "), "R-15");
  EXPECT_EQ(BaseName(" R-15.signed.XML"), "R-15");
  EXPECT_EQ(BaseName("R15  "), "R15");
  EXPECT_EQ(BaseName(".XML"), "");
}

TEST(EnvelopeFormsTest, CutWholeNeverSplitsAMultiByteLetter) {
  EXPECT_EQ(CutWhole("abc\xC4\x8D", 4), "abc");
  EXPECT_EQ(CutWhole("abc\xC4\x8D", 5), "abc\xC4\x8D");
  EXPECT_EQ(CutWhole("ab\xE9"
                     "cd",
                     3),
            "ab\xE9");  // a lone windows-1250 byte is one letter
  EXPECT_EQ(CutWhole("short", 34), "short");
}

TEST(EnvelopeFormsTest, TimestampAndDocumentIds) {
  EXPECT_EQ(TimestampForm({2018, 3, 7, 9, 5, 3, 99}), "2018-03-07T09:05:03.000");
  EXPECT_EQ(DocId(0, "  A  "), "0A");
  EXPECT_EQ(ExternalDocId("R", "2018"), "EINV-R");  // a short date adds what it has
}

TEST(EnvelopeFormsTest, HashDrawsFortyDigitsFromOneToNine) {
  testing::SequenceRandom random(9);
  random.Queue({1, 0, 10});  // clamped into 1..9 by the fake, as asked
  const std::string hash = HashText(random);
  EXPECT_EQ(hash, "119" + std::string(37, '9'));
}

TEST(EnvelopeFormsTest, PerInvoicePathSwapsTheRunsNumber) {
  EXPECT_EQ(PerInvoicePath("/out/eOvojnica_2018-15_1217.XML", "2018-14"),
            "/out/eOvojnica_2018-14_1217.XML");
  EXPECT_EQ(PerInvoicePath("/out/eOvojnica_A_B_305.ENV", "R/7"), "/out/eOvojnica_R-7_305.ENV");
  EXPECT_EQ(PerInvoicePath("/o.d/envelope.xml", "R1"), "/o.d/envelope_R1.xml");
  EXPECT_EQ(PerInvoicePath("/o.d/envelope", "R1"), "/o.d/envelope_R1");
}

TEST(EnvelopeFormsTest, FileSizeOfAMissingFileOrFolderIsZero) {
  testing::TempDir dir;
  testing::WriteFileOrDie(dir.File("a.PDF"), "12345");
  EXPECT_EQ(VuFileSize(SystemFileSystem(), dir.File("a.PDF")), "5");
  EXPECT_EQ(VuFileSize(SystemFileSystem(), dir.File("missing.PDF")), "0");
  EXPECT_EQ(VuFileSize(SystemFileSystem(), dir.path()), "0");
}

}  // namespace
}  // namespace eracuni::envelope
