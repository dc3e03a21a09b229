// The generated work data must be sound: read back in key order through the TopSpeed store,
// and converted by a whole run without a single message.
#include <gtest/gtest.h>

#include "bench/measure.h"
#include "bench/workload.h"
#include "framework/cp1250.h"
#include "framework/testing/fakes.h"
#include "workdata/fields.h"
#include "workdata/record_buffer.h"

namespace eracuni::bench {
namespace {

class WorkloadTest : public ::testing::Test {
 protected:
  void SetUp() override {
    set_.root = dir_.path();
    shape_.invoices = 3;
    shape_.lines_per_invoice = 4;
    ASSERT_TRUE(Generate(PosixFileSystem(), set_, shape_).ok());
  }
  eracuni::testing::TempDir dir_;
  DataSet set_;
  Shape shape_;
};

TEST_F(WorkloadTest, RecordsFillTheirLayoutsExactly) {
  EXPECT_EQ(HeaderRecord(1, 25).size(), 8240u);
  EXPECT_EQ(LineRecord(1, 1).size(), 362u);
  EXPECT_EQ(AttachmentRecord(1, 1, set_).size(), 516u);
  EXPECT_NE(HeaderRecord(1, 25), HeaderRecord(2, 25));
}

// Cents of an amount text such as "1234.50".
uint64_t Cents(std::string_view text) {
  std::string digits;
  for (char c : workdata::ClipRight(text))
    if (c != '.') digits += c;
  return std::stoull(digits);
}

TEST_F(WorkloadTest, HeaderTotalsAreTheSumsOfItsLines) {
  namespace H = workdata::eRACUNI;
  namespace L = workdata::eRACUNIP;
  for (uint32_t ident : {1u, 7u}) {
    workdata::RecordBuffer h(workdata::HeaderLayout());
    ASSERT_TRUE(h.Assign(HeaderRecord(ident, 25)));
    uint64_t net = 0, tax = 0;
    for (uint32_t n = 1; n <= 25; ++n) {
      workdata::RecordBuffer l(workdata::LineLayout());
      ASSERT_TRUE(l.Assign(LineRecord(ident, n)));
      EXPECT_EQ(l.U32(L::IDENTRACUN), ident);
      EXPECT_EQ(l.U32(L::ZAPSTEVPOST), n);
      net += Cents(l.Text(L::ZNESEK));
      tax += Cents(l.Text(L::ZNESEK1));
    }
    EXPECT_EQ(Cents(h.Text(H::ZNESEKRACUNA3)), net);
    EXPECT_EQ(Cents(h.Text(H::ZNESEKRACUNA4)), tax);
    EXPECT_EQ(Cents(h.Text(H::ZNESEKRACUNASKUPAJ)), net + tax);
  }
}

TEST_F(WorkloadTest, FirstAttachmentNamesTheDocumentInTheOutputFolder) {
  namespace A = workdata::eRACPRIL;
  workdata::RecordBuffer a(workdata::AttachmentLayout());
  ASSERT_TRUE(a.Assign(AttachmentRecord(3, 1, set_)));
  EXPECT_EQ(a.Clipped(A::FORMATPRILOGE), "XML");
  EXPECT_EQ(a.Clipped(A::IMEPRILOGE), InvoiceFileName(3));
  EXPECT_EQ(a.Clipped(A::POTDOPRILOGE), set_.output());
  ASSERT_TRUE(a.Assign(AttachmentRecord(3, 2, set_)));
  EXPECT_TRUE(PosixFileSystem().Exists(Cp1250ToUtf8(set_.attachments()) +
                                       std::string(a.Clipped(A::IMEPRILOGE))))
      << "the generated PDF exists, so the envelope states its real size";
}

TEST_F(WorkloadTest, ReadsBackEveryHeaderAndLineInKeyOrder) {
  auto f = MeasureReading(set_, 1);
  ASSERT_TRUE(f.ok()) << f.status().ToString();
  EXPECT_EQ(f->headers, 3u);
  EXPECT_EQ(f->lines, 12u);
  EXPECT_EQ(f->record_bytes, 3u * 8240 + 12u * 362);
  EXPECT_GT(f->file_bytes, 0u);
}

TEST_F(WorkloadTest, WholeRunWritesEveryDocumentAndTheEnvelopeWithoutMessages) {
  auto f = MeasureRun(set_, 1);
  ASSERT_TRUE(f.ok()) << f.status().ToString();
  EXPECT_EQ(f->invoices, 3u);
  EXPECT_EQ(f->xml_files, 4u);  // three documents and the envelope
  EXPECT_EQ(f->messages, 0u);
  EXPECT_EQ(f->program_runs, 1u);  // the archiver, recorded only
  std::string doc = eracuni::testing::ReadFileOrEmpty(Cp1250ToUtf8(set_.output()) +
                                                     InvoiceFileName(2));
  EXPECT_NE(doc.find("<StevilkaRacuna>2026-000002</StevilkaRacuna>"), std::string::npos);
  EXPECT_NE(doc.find("\xC5\xBD"), std::string::npos) << "Slovenian letters reach the XML";
}

TEST_F(WorkloadTest, InvoiceWriterAloneWritesTheFirstInvoice) {
  auto f = MeasureInvoiceWriter(set_);
  ASSERT_TRUE(f.ok()) << f.status().ToString();
  EXPECT_EQ(f->lines, 4u);
  EXPECT_GT(f->xml_bytes, 0u);
}

TEST(PlainWriteTest, WritesTheSizesAndLeavesNothingBehind) {
  eracuni::testing::TempDir dir;
  for (Durability d : {Durability::kNone, Durability::kEachFile, Durability::kOnceAtEnd}) {
    auto t = PlainWrite(dir.path(), {0, 10, 200000}, d);
    ASSERT_TRUE(t.ok()) << t.status().ToString();
  }
  auto left = PosixFileSystem().ListDirectory(dir.path());
  ASSERT_TRUE(left.ok());
  EXPECT_TRUE(left->empty());
}

// Kept baseline files stay, with names of their own across calls, until removed; the
// run's documents are never removed with them.
TEST_F(WorkloadTest, KeptPlainFilesStayUntilRemovedAndTheDocumentsStay) {
  std::string out = Cp1250ToUtf8(set_.output());
  auto count = [&] {  // documents, baseline files
    auto all = PosixFileSystem().ListDirectory(out);
    EXPECT_TRUE(all.ok());
    size_t plain = 0;
    for (const std::string& n : *all) plain += n.rfind("plain-", 0) == 0;
    return std::make_pair(all->size() - plain, plain);
  };
  ASSERT_TRUE(MeasureRun(set_, 1, /*keep_plain=*/true).ok());
  EXPECT_EQ(count(), std::make_pair(size_t{5}, size_t{3 * 4}))
      << "three invoices, the envelope, the run report; three baselines of the four XML files";
  ASSERT_TRUE(RemovePlainFiles(set_).ok());
  EXPECT_EQ(count(), std::make_pair(size_t{5}, size_t{0}));

  eracuni::testing::TempDir dir;
  size_t kept = 0;
  ASSERT_TRUE(PlainWrite(dir.path(), {5, 7}, Durability::kNone, &kept).ok());
  ASSERT_TRUE(PlainWrite(dir.path(), {5, 7}, Durability::kOnceAtEnd, &kept).ok());
  auto left = PosixFileSystem().ListDirectory(dir.path());
  ASSERT_TRUE(left.ok());
  EXPECT_EQ(left->size(), 4u);
  EXPECT_EQ(kept, 4u);
}

}  // namespace
}  // namespace eracuni::bench
