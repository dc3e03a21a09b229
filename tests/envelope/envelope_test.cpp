#include <cerrno>
#include <filesystem>

#include "tests/envelope/envelope_fixture.h"

namespace eracuni::envelope::testing {
namespace {

using eracuni::testing::ReadFileOrEmpty;
using eracuni::testing::WriteFileOrDie;
using Strings = std::vector<std::string>;

const std::string kTimestamp = "2018-12-17T09:05:03.000";

// ---- Document frame ------------------------------------------------------------------------

TEST_F(EnvelopeTest, NoHeadersGivesAPackageWithOnlyItsTimestamp) {
  SKIP_WITHOUT_XML_READER();
  EnvelopeResult plain = RunPlain();
  ASSERT_TRUE(plain.status.ok()) << plain.status.ToString();
  EXPECT_EQ(plain.files, Strings{EnvelopePath()});
  ParsedXml xml = Parse();
  EXPECT_EQ(xml.RootName(), "package");
  EXPECT_EQ(xml.RootAttribute("xmlns"), "hal:icl:01");
  EXPECT_EQ(xml.RootAttribute("xmlns:xsi"), "http://www.w3.org/2001/XMLSchema-instance");
  EXPECT_EQ(xml.RootAttribute("pkg_type"), "general");
  EXPECT_EQ(xml.Texts("package/timestamp"), Strings{kTimestamp});
  EXPECT_EQ(xml.Count("envelope"), 0);

  RunPayment();
  EXPECT_EQ(Parse().RootAttribute("pkg_type"), "einvoice");
}

TEST_F(EnvelopeTest, NoHeadersOnChannelsGAndUWritesNoFile) {
  for (char channel : {'G', 'U'}) {
    settings_.KATERABANKA = channel;
    EnvelopeResult r = RunPayment();
    EXPECT_TRUE(r.status.ok());
    EXPECT_TRUE(r.files.empty());
    EXPECT_FALSE(fake_.files.Exists(EnvelopePath())) << channel;
  }
}

TEST_F(EnvelopeTest, ChannelsGAndUWriteOneWellFormedDocumentPerHeader) {
  SKIP_WITHOUT_XML_READER();
  settings_.KATERABANKA = 'G';
  AddHeader(1, "R-14");
  AddHeader(2, "R-15");
  AddHeader(3, "R-15");  // same number: the identifier keeps the files apart
  EnvelopeResult r = RunPlain();
  ASSERT_TRUE(r.status.ok()) << r.status.ToString();
  const Strings expected{out_.File("eOvojnica_R-14_1217.XML"), EnvelopePath(),
                         out_.File("eOvojnica_R-15_3_1217.XML")};
  ASSERT_EQ(r.files, expected);
  for (const std::string& path : expected) {
    ParsedXml xml = Parse(path);
    EXPECT_EQ(xml.RootName(), "envelope");
    EXPECT_EQ(xml.RootAttribute("xmlns:xds"), "http://www.w3.org/2001/XMLSchema");
    EXPECT_EQ(xml.RootAttribute("xsi:noNamespaceSchemaLocation"),
              "..\\..\\..\\VERU-ERACUNI-BANKART-teorija\\From Velt\\ICL_SynChk_1.0.1\\grammars\\"
              "icl_envelope_einvoice.xsd");
    EXPECT_EQ(xml.Count("timestamp"), 1);  // only doc_data's
  }
  EXPECT_EQ(Parse(expected[0]).Text("doc_id"), "1R-14");
}

TEST_F(EnvelopeTest, SingleHeaderOnChannelUKeepsTheRunsName) {
  SKIP_WITHOUT_XML_READER();
  settings_.KATERABANKA = 'U';
  AddHeader(7, "R-9");
  EnvelopeResult r = RunPayment();
  EXPECT_EQ(r.files, Strings{EnvelopePath()});
  EXPECT_EQ(Parse().Text("envelope/doc_data/doc_id"), "7R-9");
}

TEST_F(EnvelopeTest, FailedCreationReachesTheCallerAndChangesNothing) {
  settings_.ENAKAIMENARACUNA = 1;
  AddHeader(7);
  AddFile(7, 1, "R-15.XML", "XML");
  AddFile(7, 2, "faktura.PDF", "PDF");
  files_ = data_.Open(settings_, errors_);
  EnvelopeResult r =
      IzdelajOvojnico(settings_, *files_, fake_.platform, out_.File("missing/eOvojnica.INV"));
  EXPECT_FALSE(r.status.ok());
  EXPECT_TRUE(r.files.empty());
  EXPECT_TRUE(fake_.files.Exists(att_.File("faktura.PDF")));
  EXPECT_TRUE(r.renamed.empty());
}

class TickingClock : public Clock {
 public:
  LocalDateTime Now() override { return {2018, 12, 17, 9, 5, second_++, 0}; }

 private:
  int second_ = 1;
};

TEST_F(EnvelopeTest, EveryTimestampIsTakenWhenItIsWritten) {
  SKIP_WITHOUT_XML_READER();
  TickingClock clock;
  Platform platform{fake_.messages, clock, fake_.files, fake_.programs, fake_.random};
  AddHeader(1);
  AddHeader(2);
  files_ = data_.Open(settings_, errors_);
  IzdelajOvojnico(settings_, *files_, platform, EnvelopePath());
  EXPECT_EQ(
      Parse().Texts("timestamp"),
      (Strings{"2018-12-17T09:05:01.000", "2018-12-17T09:05:02.000", "2018-12-17T09:05:03.000"}));
}

// ---- sender and receiver -------------------------------------------------------------------

TEST_F(EnvelopeTest, PartiesTakeNameAndBankFromRecipientAddressFromBuyer) {
  SKIP_WITHOUT_XML_READER();
  AddHeader(7).SetText(H::NAZIVBANKE2IV, "");
  RunPlain();
  ParsedXml xml = Parse();
  EXPECT_EQ(xml.Text("sender/name"), "Izdajatelj d.o.o.");
  EXPECT_EQ(xml.Texts("sender/address"), (Strings{"Glavna cesta 1", "\xC5\xA0kofja Loka"}));
  EXPECT_EQ(xml.Text("sender_eddress/sender_agent"), "QRSTSI2XXXX");
  EXPECT_EQ(xml.Text("sender_eddress/sender_mailbox"), "SI56020100012345678");
  EXPECT_EQ(xml.Text("receiver/name"), "Prejemnik + Co");
  EXPECT_EQ(xml.Texts("receiver/address"), (Strings{"Kup\xC4\x8D"
                                                    "eva 2",
                                                    "Maribor"}));
  EXPECT_EQ(xml.Text("receiver_eddress/receiver_agent"), "XXXXXXXXXXX");
}

TEST_F(EnvelopeTest, SenderLosesSiOnlyOnChannelOWithoutPrefixSetting) {
  SKIP_WITHOUT_XML_READER();
  AddHeader(7);
  struct Case {
    char channel;
    uint16_t predpona;
    std::string sender;
  };
  for (const Case& c :
       {Case{'O', 0, "87654321"}, Case{'O', 1, "SI87654321"}, Case{'K', 0, "SI87654321"}}) {
    settings_.KATERABANKA = c.channel;
    settings_.PREDPONASI = c.predpona;
    RunPlain();
    ParsedXml xml = Parse();
    EXPECT_EQ(xml.Text("sender_identifier"), c.sender) << c.channel << c.predpona;
    EXPECT_EQ(xml.Text("receiver_identifier"), "12345678");
  }
}

// ---- doc_data ------------------------------------------------------------------------------

TEST_F(EnvelopeTest, DocumentIdsJoinIdentifierNumberAndDate) {
  SKIP_WITHOUT_XML_READER();
  AddHeader(7);
  RunPlain();
  ParsedXml xml = Parse();
  EXPECT_EQ(xml.Text("doc_data/doc_id"), "7R-15");
  EXPECT_EQ(xml.Text("doc_data/external_doc_id"), "EINV-R-15-12-17");
  EXPECT_EQ(xml.Text("doc_data/doc_type_ver"), "01");
  EXPECT_EQ(xml.Text("doc_data/timestamp"), kTimestamp);
}

TEST_F(EnvelopeTest, DocumentTypeCodesDifferByVariant) {
  SKIP_WITHOUT_XML_READER();
  AddHeader(1).SetText(H::VRSTARACUNA, "381");
  AddHeader(2).SetText(H::VRSTARACUNA, "383");
  AddHeader(3).SetText(H::VRSTARACUNA, "380");
  AddHeader(4).SetText(H::VRSTARACUNA, "325");
  RunPlain();
  EXPECT_EQ(Parse().Texts("doc_type"), (Strings{"0006", "0007"}));
  EXPECT_EQ(Parse().Count("payment_data"), 0);
  RunPayment();
  ParsedXml xml = Parse();
  EXPECT_EQ(xml.Texts("doc_type"), (Strings{"0002", "0002", "0002", "0010"}));
  EXPECT_EQ(xml.Count("envelope/payment_data"), 4);  // the credit note too
}

// ---- payment_data --------------------------------------------------------------------------

TEST_F(EnvelopeTest, PaymentDataDescribesThePayment) {
  SKIP_WITHOUT_XML_READER();
  AddHeader(7);
  RunPayment();
  ParsedXml xml = Parse();
  EXPECT_EQ(xml.Text("payment_data/payment_method"), "2");
  EXPECT_EQ(xml.Texts("creditor/address"), (Strings{"Glavna cesta 1", "\xC5\xA0kofja Loka"}));
  EXPECT_EQ(xml.Text("creditor/creditor_agent"), "QRSTSI2XXXX");  // padded by sender
  EXPECT_EQ(xml.Text("creditor/creditor_account"), "SI56020100012345678");
  EXPECT_EQ(xml.Text("debtor/name"), "Prejemnik + Co");
  EXPECT_EQ(xml.Text("debtor/debtor_agent"), "LJBASI2XXXX");
  EXPECT_EQ(xml.Text("requested_execution_date"), "2018-12-31");
  EXPECT_EQ(xml.Text("amount"), "1234.50");
  EXPECT_EQ(xml.Text("currency"), "EUR");
  EXPECT_EQ(xml.Text("creditor_structured_reference"), "RF18539007547034");
  EXPECT_EQ(xml.Text("additional_remittance_information"), "Ra\xC4\x8Dun za december");
  EXPECT_EQ(xml.Text("payment_data/purpose"), "GDSV");
}

TEST_F(EnvelopeTest, UjpBicIsReplacedInPaymentDataOnly) {
  SKIP_WITHOUT_XML_READER();
  workdata::RecordBuffer& h = AddHeader(7);
  h.SetText(H::NAZIVBANKE2, "UJPLSI2DICL");
  h.SetText(H::NAZIVBANKE2IV, "UJPLSI2DICL");
  h.SetText(H::TEKST2NP, "");
  h.SetText(H::TEKST2NASL, "");
  RunPayment();
  ParsedXml xml = Parse();
  EXPECT_EQ(xml.Text("sender_agent"), "UJPLSI2DICL");
  EXPECT_EQ(xml.Text("receiver_agent"), "UJPLSI2DICL");
  EXPECT_EQ(xml.Text("creditor_agent"), "BSLJSI2XXXX");
  EXPECT_EQ(xml.Text("debtor_agent"), "BSLJSI2XXXX");
  EXPECT_EQ(xml.Text("payment_method"), "");
  EXPECT_EQ(xml.Text("purpose"), "");
}

TEST_F(EnvelopeTest, RemittanceTextIsCutBeforeALetterThatWouldBeSplit) {
  SKIP_WITHOUT_XML_READER();
  AddHeader(7).SetText(H::TEKST1NASL, std::string(33, 'a') +
                                          "\xC8"
                                          "b");
  RunPayment();
  EXPECT_EQ(Parse().Text("additional_remittance_information"), std::string(33, 'a'));
}

// ---- attachments ---------------------------------------------------------------------------

TEST_F(EnvelopeTest, HeaderWithoutAttachmentsStillCountsThem) {
  SKIP_WITHOUT_XML_READER();
  AddHeader(7);
  RunPlain();
  ParsedXml xml = Parse();
  EXPECT_EQ(xml.Text("attachments/size"), "0");
  EXPECT_EQ(xml.Text("attachments/count"), "0");
  EXPECT_EQ(xml.Count("attachment"), 0);
  const std::string hash = xml.Text("attachments/hash");
  EXPECT_EQ(hash.size(), 40u);
  EXPECT_EQ(hash.find_first_not_of("123456789"), std::string::npos) << hash;
}

TEST_F(EnvelopeTest, SizesAreListedOnlyForTheChannelsThatImportThem) {
  SKIP_WITHOUT_XML_READER();
  AddHeader(7);
  AddFile(7, 1, "R-15.XML", "XML", 100);
  AddFile(7, 2, "R-15.PDF", "PDF", 23);
  data_.AddAttachment(7, 3, "gone.TXT", att_.path(), "TXT");
  EnvelopeResult r = RunPlain();
  ParsedXml xml = Parse();
  EXPECT_EQ(xml.Texts("attachments/size"), Strings{"123"});
  EXPECT_EQ(xml.Texts("attachment/size"), (Strings{"100", "23"}));
  // A file that is not there is not announced; the caller learns why.
  EXPECT_EQ(xml.Text("attachments/count"), "2");
  EXPECT_EQ(xml.Texts("attachment/filename"), (Strings{"R-15.XML", "R-15.PDF"}));
  EXPECT_EQ(xml.Texts("attachment/type"), (Strings{"XML", "PDF"}));
  EXPECT_EQ(xml.Text("attachment/description"), "Priloga R-15.XML");
  ASSERT_EQ(r.attachments.size(), 3u);
  EXPECT_EQ(r.attachments[0].path, out_.File("R-15.XML"));
  EXPECT_EQ(r.attachments[2].path, att_.File("gone.TXT"));
  EXPECT_EQ(r.attachments[2].problem, AttachmentProblem::kMissing);
  for (char channel : {'M', 'G', 'D', 'U', 'Z', 'O'}) {
    settings_.KATERABANKA = channel;
    RunPlain();
    const bool listed = channel != 'Z' && channel != 'O';
    EXPECT_EQ(Parse().Count("size") + Parse().Count("hash"), listed ? 4 : 0) << channel;
  }
}

TEST_F(EnvelopeTest, EveryEnvelopeDrawsItsOwnHash) {
  SKIP_WITHOUT_XML_READER();
  AddHeader(1);
  AddHeader(2);
  fake_.random.Queue(std::vector<int>(40, 1));
  RunPlain();
  EXPECT_EQ(Parse().Texts("hash"), (Strings{std::string(40, '1'), std::string(40, '5')}));
}

TEST_F(EnvelopeTest, LocationOnlyFromTheThirdAttachmentOnChannelO) {
  SKIP_WITHOUT_XML_READER();
  AddHeader(7);
  for (uint16_t seq = 1; seq <= 4; ++seq)
    AddFile(7, seq, "p" + std::to_string(seq) + ".TXT", "TXT");
  settings_.KATERABANKA = 'O';
  settings_.DODAJLOKACIJOPRILOG = 1;
  RunPlain();
  EXPECT_EQ(Parse().Texts("attachment/location"), (Strings{att_.path(), att_.path()}));
  settings_.DODAJLOKACIJOPRILOG = 0;
  RunPlain();
  EXPECT_EQ(Parse().Count("location"), 0);
  settings_.KATERABANKA = 'K';
  settings_.DODAJLOKACIJOPRILOG = 1;
  RunPlain();
  EXPECT_EQ(Parse().Count("location"), 0);
}

// ---- same-name rule ------------------------------------------------------------------------

class SameNameTest : public EnvelopeTest {
 protected:
  SameNameTest() { settings_.ENAKAIMENARACUNA = 1; }
  void AddInvoice(uint32_t ident, const std::string& xml_name, const std::string& pdf_name) {
    AddHeader(ident);
    AddFile(ident, 1, xml_name, "XML");
    AddFile(ident, 2, pdf_name, "PDF", 7);
  }
  std::string PdfName() { return Parse().Texts("attachment/filename").at(1); }
};

TEST_F(SameNameTest, PdfTakesTheBaseNameOfTheInvoiceDocument) {
  SKIP_WITHOUT_XML_READER();
  AddInvoice(7, "R-15.XML", "faktura.PDF");
  EnvelopeResult r = RunPlain();
  EXPECT_EQ(PdfName(), "R-15.PDF");
  EXPECT_EQ(Parse().Texts("attachment/size").at(1), "7");
  EXPECT_FALSE(fake_.files.Exists(att_.File("faktura.PDF")));
  EXPECT_TRUE(fake_.files.Exists(att_.File("R-15.PDF")));
  ASSERT_EQ(r.renamed.size(), 1u);
  EXPECT_EQ(r.renamed[0].from, att_.File("faktura.PDF"));
  EXPECT_EQ(r.renamed[0].to, att_.File("R-15.PDF"));
  EXPECT_TRUE(fake_.messages.shown().empty());
}

TEST_F(SameNameTest, NameWithoutDotIsItsOwnBaseName) {
  SKIP_WITHOUT_XML_READER();
  AddInvoice(7, "R15", "faktura.PDF");
  RunPlain();
  EXPECT_EQ(PdfName(), "R15.PDF");
}

TEST_F(SameNameTest, ExistingDifferentFileIsNeverReplaced) {
  SKIP_WITHOUT_XML_READER();
  AddInvoice(7, "R-15.XML", "faktura.PDF");
  WriteFileOrDie(att_.File("R-15.PDF"), "other");
  EnvelopeResult r = RunPlain();
  EXPECT_EQ(PdfName(), "faktura.PDF");
  EXPECT_EQ(ReadFileOrEmpty(att_.File("R-15.PDF")), "other");
  EXPECT_TRUE(fake_.files.Exists(att_.File("faktura.PDF")));
  EXPECT_TRUE(r.renamed.empty());
  ASSERT_EQ(fake_.messages.shown().size(), 1u);
  const MessageRequest& m = fake_.messages.shown()[0];
  EXPECT_EQ(m.text, " Napaka pri preimenovanju PDF priloge.|| Oznaka: 17 - File exists");
  EXPECT_EQ(m.caption, " OPOZORILO");
  EXPECT_EQ(m.icon, MessageIcon::kInformation);
  EXPECT_EQ(m.button_text, "Zapri");
}

TEST_F(SameNameTest, FailedRenameIsReportedAndTheOldNameKept) {
  SKIP_WITHOUT_XML_READER();
  AddInvoice(7, "R-15.XML", "faktura.PDF");
  fake_.files.FailOn("rename", "faktura", EACCES);
  EnvelopeResult r = RunPlain();
  EXPECT_TRUE(r.status.ok());
  EXPECT_EQ(PdfName(), "faktura.PDF");
  ASSERT_EQ(fake_.messages.shown().size(), 1u);
  EXPECT_EQ(fake_.messages.shown()[0].text,
            " Napaka pri preimenovanju PDF priloge.|| Oznaka: 13 - Permission denied");
}

TEST_F(SameNameTest, PdfRenamedByAnEarlierRunKeepsItsNewName) {
  SKIP_WITHOUT_XML_READER();
  AddInvoice(7, "R-15.XML", "faktura.PDF");
  ASSERT_TRUE(fake_.files.RenameFile(att_.File("faktura.PDF"), att_.File("R-15.PDF")).ok());
  EnvelopeResult r = RunPlain();
  EXPECT_EQ(PdfName(), "R-15.PDF");
  EXPECT_EQ(r.renamed.size(), 1u);
  EXPECT_TRUE(fake_.messages.shown().empty());
}

TEST_F(SameNameTest, HeaderWithoutXmlFirstBorrowsNoBaseName) {
  SKIP_WITHOUT_XML_READER();
  AddInvoice(1, "R-14.XML", "a.PDF");
  AddHeader(2, "R-15");
  AddFile(2, 1, "x.PDF", "PDF");
  AddFile(2, 2, "y.PDF", "PDF");
  EnvelopeResult r = RunPlain();
  EXPECT_EQ(Parse().Texts("attachment/filename"),
            (Strings{"R-14.XML", "R-14.PDF", "x.PDF", "y.PDF"}));
  EXPECT_TRUE(fake_.files.Exists(att_.File("y.PDF")));
  EXPECT_EQ(r.renamed.size(), 1u);
}

// The rule moves regular files in the folder their record names, and nothing else.
TEST_F(SameNameTest, RenamesOnlyRegularFilesOfARealFolder) {
  SKIP_WITHOUT_XML_READER();
  AddHeader(1, "R-1");
  AddFile(1, 1, "R-1.XML", "XML");
  ASSERT_TRUE(std::filesystem::create_directory(att_.File("mapa")));
  data_.AddAttachment(1, 2, "mapa", att_.path(), "PDF");  // a folder, not a file
  AddHeader(2, "R-2");
  AddFile(2, 1, "R-2.XML", "XML");
  data_.AddAttachment(2, 2, "R-2.pdf", att_.path() + "  /..", "PDF");  // not a folder's name
  EnvelopeResult r = RunPlain();
  EXPECT_TRUE(r.renamed.empty());
  EXPECT_TRUE(fake_.files.IsDirectory(att_.File("mapa")));
  ASSERT_EQ(r.attachments.size(), 4u);
  EXPECT_EQ(r.attachments[1].problem, AttachmentProblem::kNotRegularFile);
  EXPECT_EQ(r.attachments[3].problem, AttachmentProblem::kFolderNotReal);
  EXPECT_EQ(Parse().Texts("attachment/filename"), (Strings{"R-1.XML", "R-2.XML"}));
}

TEST_F(SameNameTest, RuleIsOffWithoutItsSetting) {
  SKIP_WITHOUT_XML_READER();
  settings_.ENAKAIMENARACUNA = 0;
  AddInvoice(7, "R-15.XML", "faktura.PDF");
  RunPlain();
  EXPECT_EQ(PdfName(), "faktura.PDF");
}

// ---- copy under the buyer's tax number -----------------------------------------------------

TEST_F(EnvelopeTest, PaymentVariantCopiesTheInvoiceUnderTheBuyersTaxNumber) {
  settings_.DSVIMENURACUNA = 1;
  AddHeader(7);
  AddFile(7, 1, "R-15.XML", "XML");
  AddHeader(8, "R-16").SetText(H::PODATEKPODJETJABY1, "HR99");
  AddFile(8, 1, "R-16.XML", "XML");
  AddHeader(9, "R-17");
  AddFile(9, 1, "R-17.PDF", "PDF");  // not an invoice document: no copy
  WriteFileOrDie(out_.File("R-15.XML"), "<invoice/>");
  WriteFileOrDie(out_.File("R-16.XML"), "<invoice16/>");
  WriteFileOrDie(out_.File("R-17.PDF"), "pdf");

  RunPlain();
  EXPECT_FALSE(fake_.files.Exists(out_.File("R-15_12345678.XML")));
  EnvelopeResult r = RunPayment();
  EXPECT_EQ(r.copies, (Strings{out_.File("R-15_12345678.XML"), out_.File("R-16_HR99.XML")}));
  EXPECT_EQ(ReadFileOrEmpty(out_.File("R-15_12345678.XML")), "<invoice/>");
  EXPECT_EQ(ReadFileOrEmpty(out_.File("R-16_HR99.XML")), "<invoice16/>");
  EXPECT_FALSE(fake_.files.Exists(out_.File("R-17_12345678.XML")));
}

}  // namespace
}  // namespace eracuni::envelope::testing
