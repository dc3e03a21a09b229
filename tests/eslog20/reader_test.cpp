// The checker on the schema's examples and on copies of them with one deliberate defect each;
// the reader on bytes that are no e-SLOG 2.0 document.
#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <sstream>

#include "eslog20/reader/check_documents.h"
#include "eslog20/reader/document_reader.h"
#include "framework/testing/fakes.h"

namespace eracuni::eslog20 {
namespace {

const std::string kExamples = std::string(ERACUNI_SHARED_DIR) + "/schemas/eslog20/examples/";
const std::string kMinimal = kExamples + "minimal.xml";
const std::string kSample = kExamples + "publisher-sample-TOSL110-with-BT.xml";

class CheckerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (eracuni::testing::ReadFileOrEmpty(kMinimal).empty() || eracuni::testing::ReadFileOrEmpty(kSample).empty())
      GTEST_SKIP() << "the e-SLOG 2.0 examples are not in the shared folder (" << kExamples << ")";
  }

  int Check(std::vector<std::string> paths, RuleOptions options = {}) {
    out_.str("");
    return CheckDocuments(paths, options, PosixFileSystem(), out_);
  }

  std::ostringstream out_;
};

// The fatal rule ids of a document, in table order.
std::string Fatal(const std::string& bytes) {
  ReadResult r = ReadInvoiceDocument(bytes);
  if (!r.invoice) return "unread: " + r.problem;
  std::string ids;
  for (const RuleFailure& f : CheckRules(*r.invoice, {}))
    if (f.fatal) ids += (ids.empty() ? "" : " ") + std::string(f.rule);
  return ids;
}

TEST_F(CheckerTest, MinimalPassesAndThePublishersSampleHasExactlyItsOwnFaults) {
  EXPECT_EQ(Check({kMinimal}), kCheckPassed);
  EXPECT_EQ(out_.str(), kMinimal + ": UJP-04 warning: Račun nima referenčnega dokumenta (pogodbe, naročilnice "
                                   "ali dobavnice), ki ga zahteva UJP.\n");
  EXPECT_EQ(Check({kMinimal}, {.channel_u = true}), kCheckFatal);

  EXPECT_EQ(Check({kMinimal, kSample}), kCheckFatal);
  EXPECT_EQ(Fatal(eracuni::testing::ReadFileOrEmpty(kSample)), "BR-CO-03 BR-S-10 BR-CL-22");
  EXPECT_NE(out_.str().find(kSample + ": BR-CL-22 fatal: Koda razloga oprostitve DDV (BT-121) \"vatex-eu-ae\" "
                                      "ni dovoljena koda.\n"),
            std::string::npos)
      << out_.str();
}

TEST_F(CheckerTest, DeliberateDefectsInCopiesAreFlagged) {
  struct Defect {
    const std::string* file;
    const char* after;  // the first `from` after this anchor becomes `to`
    const char* from;
    const char* to;
    const char* fatal;
  };
  const Defect defects[] = {
      {&kMinimal, "<D_5025>203</D_5025>", "100.00", "90.00", "BR-CO-10 BR-S-08"},
      {&kSample, "<!-- BT-117 -->", "375.00", "370.00", "BR-CO-14 BR-CO-17 BR-S-09 BR-CO-03 BR-S-10 BR-CL-22"},
      {&kMinimal, "<S_QTY>", "<D_6411>H87", "<D_6411>PCE", "BR-CL-23"},
      {&kMinimal, "<S_NAD>", "<D_1153>VA</D_1153>", "<D_1153>XX</D_1153>", "BR-CO-26 BR-S-02"},
      {&kMinimal, "<D_5025>9</D_5025>", "122.00", "122.000", "BR-DEC-18"},
      {&kSample, "<S_BGM>", "380", "999", "BR-CO-03 BR-S-10 BR-CL-01 BR-CL-22"},
      {&kSample, "<S_FTX>", "<D_4451>DOC</D_4451>", "<D_4451>AAI</D_4451>", "BR-01 BR-CO-03 BR-S-10 BR-CL-22"},
      {&kMinimal, "<S_FTX>", "<D_4451>DOC</D_4451>", "<D_4451>AAI</D_4451>", "BR-01"},
  };
  for (const Defect& d : defects) {
    std::string doc = eracuni::testing::ReadFileOrEmpty(*d.file);
    size_t at = doc.find(d.from, doc.find(d.after));
    ASSERT_NE(at, std::string::npos) << d.from;
    doc.replace(at, std::string_view(d.from).size(), d.to);
    std::string got = Fatal(doc), want = d.fatal;
    // The sample's own faults come in table order among the new ones; compare as sets.
    auto sorted = [](std::string s) {
      std::istringstream in(s);
      std::vector<std::string> ids{std::istream_iterator<std::string>(in), {}};
      std::sort(ids.begin(), ids.end());
      return ids;
    };
    EXPECT_EQ(sorted(got), sorted(want)) << d.to;
  }
}

// Our own document with every optional part, read back, keeps every rule: the rules do not
// care whether the model came from the work data or from a document.
TEST(DocumentReader, OurGoldenDocumentReadBackPassesEveryRule) {
  ReadResult r = ReadInvoiceDocument(
      eracuni::testing::ReadFileOrEmpty(std::string(ERACUNI_SOURCE_DIR) + "/tests/golden/eslog20/invoice_full.xml"));
  ASSERT_TRUE(r.invoice) << r.problem;
  EXPECT_EQ(CheckRules(*r.invoice, {.channel_u = true}).size(), 0u);
  EXPECT_EQ(r.invoice->lines.size(), 3u);
  EXPECT_EQ(r.invoice->lines[0].allowances_charges.size(), 1u);
  EXPECT_EQ(r.invoice->vat_breakdown.size(), 3u);
}

TEST(DocumentReader, AnyBytesGiveAModelOrAClearRefusal) {
  const std::pair<std::string, std::string> cases[] = {
      {"", "ni dobro oblikovan XML"},
      {"\xEF\xBB\xBF<a", "ni dobro oblikovan XML"},
      {"<Invoice>\xDC\x38</Invoice>", "ni dobro oblikovan XML"},  // libxml2 tells it in two lines
      {"<Invoice/>", "ni dokument e-SLOG 2.0"},
      {"<Invoice xmlns=\"urn:eslog:2.00\"/>", "ni dokument e-SLOG 2.0"},
      {"<IzdaniRacunEnostavni xmlns=\"urn:eslog:2.00\"><M_INVOIC/></IzdaniRacunEnostavni>", "ni dokument e-SLOG 2.0"},
      {"<!DOCTYPE Invoice [<!ENTITY a \"aaaa\"><!ENTITY b \"&a;&a;&a;&a;\">]>"
       "<Invoice xmlns=\"urn:eslog:2.00\"><M_INVOIC><S_BGM><C_C106><D_1004>&b;</D_1004></C_C106></S_BGM>"
       "</M_INVOIC></Invoice>",
       "dokument z deklaracijo DOCTYPE ni dovoljen"},
      {"<Invoice xmlns=\"urn:eslog:2.00\"><M_INVOIC><G_SG50><S_MOA><C_C516><D_5025>9</D_5025>"
       "<D_5004>1,00</D_5004></C_C516></S_MOA></G_SG50></M_INVOIC></Invoice>",
       "D_5004: \"1,00\" ni decimalno število"},
  };
  for (const auto& [bytes, problem] : cases) {
    ReadResult r = ReadInvoiceDocument(bytes);
    EXPECT_FALSE(r.invoice) << bytes;
    EXPECT_EQ(r.problem.substr(0, problem.size()), problem) << bytes;
    EXPECT_EQ(r.problem.find('\n'), std::string::npos) << r.problem;
  }
  // An empty M_INVOIC is a model: the rules, not the reader, say what it lacks.
  ReadResult empty = ReadInvoiceDocument("<e:Invoice xmlns:e=\"urn:eslog:2.00\"><e:M_INVOIC/></e:Invoice>");
  ASSERT_TRUE(empty.invoice);
  EXPECT_FALSE(CheckRules(*empty.invoice, {}).empty());
}

TEST_F(CheckerTest, AFileThatCannotBeJudgedIsToldInOneLineAndOutweighsFatalFailures) {
  EXPECT_EQ(Check({kSample, kExamples + "missing.xml", kExamples + "validation-results.txt"}), kCheckUnreadable);
  std::string out = out_.str();
  EXPECT_NE(out.find(kExamples + "missing.xml: datoteke ni mogoče prebrati: "), std::string::npos) << out;
  EXPECT_NE(out.find(kExamples + "validation-results.txt: ni dobro oblikovan XML (vrstica 1: "), std::string::npos) << out;
}

}  // namespace
}  // namespace eracuni::eslog20
