#include "eslog20/writer.h"

#include <gtest/gtest.h>

#include "framework/testing/fakes.h"
#include "tests/support/xml_doc.h"
#include "xml/testing/schema_check.h"

namespace eracuni::eslog20 {
namespace {

using eracuni::testing::ReadFileOrEmpty;
using eracuni::testing::XmlDoc;

Decimal D(int64_t units, int scale) { return {units, scale}; }

// The skeleton invoice of the mapping: one line at 22 %, paid by credit transfer.
Invoice MinimalInvoice() {
  Invoice inv;
  inv.message_reference = inv.number = "2026-000123";
  inv.type_code = "380";
  inv.issue_date = "2026-12-01";
  inv.specification_identifier = std::string(kSpecificationIdentifier);
  inv.seller.name = "Vzorec d.o.o.";
  inv.seller.country = "SI";
  inv.seller.iban = "SI56020000012345646";
  inv.seller.vat_id = inv.seller.tax_number = "SI12345679";
  inv.buyer.name = "Kupec javni zavod";
  inv.buyer.country = "SI";
  inv.currency = "EUR";
  inv.payment_means_code = "30";
  inv.due_date = "2026-12-31";
  Line l;
  l.id = "1";
  l.name = "Svetovanje";
  l.quantity = D(2, 0);
  l.unit = "H87";
  l.net_amount = Decimal::Cents(10000);
  l.net_price = D(5000, 2);
  l.vat_category = "S";
  l.vat_rate = D(2200, 2);
  inv.lines.push_back(l);
  inv.totals.line_net_total = inv.totals.tax_exclusive = Decimal::Cents(10000);
  inv.totals.tax_total = Decimal::Cents(2200);
  inv.totals.tax_inclusive = inv.totals.payable = Decimal::Cents(12200);
  inv.vat_breakdown.push_back({"S", D(2200, 2), Decimal::Cents(10000), Decimal::Cents(2200)});
  return inv;
}

class WriterTest : public ::testing::Test {
 protected:
  // Writes `inv`, checks the schema where it is available, and parses the result.
  XmlDoc Write(const Invoice& inv) {
    Status s = WriteInvoiceDocument(inv, fs_, path_);
    EXPECT_TRUE(s.ok()) << s.message();
    if (xml::testing::Eslog20SchemaAvailable()) {
      Status valid = xml::testing::ValidateEslog20(path_);
      EXPECT_TRUE(valid.ok()) << valid.message();
    }
    return XmlDoc(ReadFileOrEmpty(path_));
  }

  eracuni::testing::TempDir dir_;
  eracuni::testing::FaultyFileSystem fs_;
  std::string path_ = dir_.File("racun.xml");
};

TEST_F(WriterTest, EveryOptionalPartInTheSchemasOrder) {
  SKIP_WITHOUT_XML_READER();
  Invoice inv = MinimalInvoice();
  inv.delivery_date = "2026-11-30";
  inv.period_start = "2026-11-01";
  inv.period_end = "2026-11-30";
  inv.notes = {{"PAI", "0"}, {"ALQ", "OTHR"}, {"GEN", "Hvala & lep pozdrav"}, {"AAI", "Fakturist: Ana"}};
  inv.exemption_reason_code = std::string(kReverseChargeReasonCode);
  inv.exemption_reason = "Obrnjena dav\xC4\x8Dna obveznost";
  inv.references = {{"ON", "N-7", "2026-11-02", "171"}, {"OI", "2026-000100", "", ""}};
  inv.payment_reference = "RF18539007547034";
  inv.seller.street = "Testna ulica 1";
  inv.seller.city = "Ljubljana";
  inv.seller.postcode = "1000";
  inv.seller.bic = "LJBASI2X";
  inv.seller.bank_name = "NLB d.d.";
  inv.seller.registration = "1234567000";
  inv.seller.contact = "Ana Novak";
  inv.buyer.iban = "SI56011006000000001";
  inv.buyer.vat_id = "SI98765432";
  inv.buyer.contact = "Janez";
  inv.buyer_reference = "PO-1";
  inv.deliver_to = Party();
  inv.deliver_to->name = "Kupec javni zavod";
  inv.deliver_to->city = "Maribor";
  inv.deliver_to->country = "SI";
  Line& l = inv.lines[0];
  l.seller_item_id = "ART-1";
  l.amount_with_vat = Decimal::Cents(12200);
  l.gross_price = D(5500, 2);
  l.vat_base = Decimal::Cents(10000);
  l.vat_amount = Decimal::Cents(2200);
  AllowanceCharge allowance, charge;
  allowance.reason_code = "95";
  allowance.percentage = D(1000, 2);
  allowance.amount = Decimal::Cents(1100);
  allowance.base = Decimal::Cents(11000);
  charge.charge = true;
  charge.reason_code = "ABK";
  charge.amount = Decimal::Cents(100);
  l.allowances_charges = {allowance, charge};
  inv.totals.paid = Decimal::Cents(-1);
  inv.totals.rounding = Decimal::Cents(1);

  XmlDoc doc = Write(inv);
  ASSERT_TRUE(doc.ok());
  EXPECT_EQ(doc.RootAttribute("xmlns"), "urn:eslog:2.00");
  EXPECT_EQ(doc.Text("M_INVOIC/S_UNH/D_0062"), "2026-000123");
  EXPECT_EQ(doc.Texts("M_INVOIC/S_DTM/C_C507/D_2005"),
            (std::vector<std::string>{"137", "35", "167", "168"}));
  EXPECT_EQ(doc.Texts("M_INVOIC/S_FTX/D_4451"),
            (std::vector<std::string>{"DOC", "PAI", "ALQ", "GEN", "AAI", "AGM"}));
  EXPECT_EQ(doc.Text("S_FTX/C_C107/D_4441"), "VATEX-EU-AE");
  EXPECT_EQ(doc.Texts("G_SG1/S_RFF/C_C506/D_1153"), (std::vector<std::string>{"ON", "OI", "PQ"}));
  EXPECT_EQ(doc.Count("G_SG1/S_DTM"), 1);
  EXPECT_EQ(doc.Texts("G_SG2/S_NAD/D_3035"), (std::vector<std::string>{"SE", "BY", "DP"}));
  EXPECT_EQ(doc.Texts("G_SG2/G_SG3/S_RFF/C_C506/D_1153"),
            (std::vector<std::string>{"VA", "AHP", "0199", "CR", "VA"}));
  EXPECT_EQ(doc.Texts("G_SG5/S_CTA/D_3139"), (std::vector<std::string>{"SU", "PD"}));
  EXPECT_EQ(doc.Texts("S_FII/D_3035"), (std::vector<std::string>{"RB", "BB"}));
  EXPECT_EQ(doc.Text("S_FII/C_C088/D_3432"), "NLB d.d.");
  EXPECT_EQ(doc.Texts("G_SG26/G_SG29/S_PRI/C_C509/D_5118"),
            (std::vector<std::string>{"50.00", "55.00"}));
  EXPECT_EQ(doc.Texts("G_SG39/S_ALC/D_5463"), (std::vector<std::string>{"A", "C"}));
  EXPECT_EQ(doc.Texts("G_SG39/G_SG42/S_MOA/C_C516/D_5025"),
            (std::vector<std::string>{"204", "25", "23"}));
  EXPECT_EQ(doc.Text("G_SG39/S_ALC/C_C214/D_7161"), "ABK");
  EXPECT_EQ(doc.Texts("G_SG50/S_MOA/C_C516/D_5025"),
            (std::vector<std::string>{"79", "389", "176", "388", "113", "366", "9"}));
  EXPECT_EQ(doc.Text("G_SG52/S_TAX/C_C243/D_5278"), "22.00");
  EXPECT_EQ(doc.Count("//*[not(*) and normalize-space(.)='']"), 0);
}

TEST_F(WriterTest, AbsentAndBlankTermsLeaveNoEmptyElementOrParent) {
  SKIP_WITHOUT_XML_READER();
  Invoice inv = MinimalInvoice();
  inv.seller.iban = "";  // the whole S_FII goes, bank name and BIC with it
  inv.seller.bank_name = "NLB";
  inv.seller.street = "   ";
  inv.buyer.contact = "";
  inv.payment_means_code = "";
  inv.due_date = "";  // and with both, G_SG8
  inv.lines[0].vat_category = "O";
  inv.lines[0].vat_rate.reset();
  inv.vat_breakdown[0] = {"O", std::nullopt, Decimal::Cents(10000), Decimal::Cents(0)};

  XmlDoc doc = Write(inv);
  ASSERT_TRUE(doc.ok());
  EXPECT_EQ(doc.Count("S_FII"), 0);
  EXPECT_EQ(doc.Count("C_C059"), 0);
  EXPECT_EQ(doc.Count("G_SG5"), 0);
  EXPECT_EQ(doc.Count("G_SG8"), 0);
  EXPECT_EQ(doc.Count("C_C243"), 0);
  EXPECT_EQ(doc.Texts("S_TAX/D_5305"), (std::vector<std::string>{"O", "O"}));
  EXPECT_EQ(doc.Count("//*[not(*) and normalize-space(.)='']"), 0);
}

TEST_F(WriterTest, TextsAreEscapedAndCutToTheSchemasLengthInCharacters) {
  SKIP_WITHOUT_XML_READER();
  Invoice inv = MinimalInvoice();
  std::string c_caron = "\xC4\x8D";  // č: two bytes, one character
  std::string name;
  for (int i = 0; i < 69; ++i) name += "a";
  inv.buyer.name = name + c_caron + c_caron + "<&>";
  inv.lines[0].name = "Vijak 5\" & matica";

  XmlDoc doc = Write(inv);
  ASSERT_TRUE(doc.ok());
  EXPECT_EQ(doc.Texts("S_NAD/C_C080/D_3036")[1], name + c_caron);
  EXPECT_EQ(doc.Text("S_IMD/C_C273/D_7008"), "Vijak 5\" & matica");
  EXPECT_EQ(SchemaTextLength("D_3207"), 0u);  // a code is never cut
}

TEST_F(WriterTest, TextLengthsAreTheSchemas) {
  SKIP_WITHOUT_XML_READER();
  if (!xml::testing::Eslog20SchemaAvailable()) GTEST_SKIP() << "no e-SLOG 2.0 schema in ../shared";
  XmlDoc xsd(ReadFileOrEmpty(xml::testing::Eslog20SchemaDir() + "eSLOG20_INVOIC_v200.xsd"));
  ASSERT_TRUE(xsd.ok());
  for (const char* name : {"D_0062", "D_1004", "D_4440", "D_4441", "D_1154", "D_3036", "D_3042",
                           "D_3164", "D_3251", "D_3194", "D_3433", "D_3432", "D_3412", "D_1082",
                           "D_7140", "D_7008"}) {
    std::vector<std::string> types =
        xsd.Texts(std::string("//*[local-name()='element'][@name='") + name + "']/@type");
    ASSERT_FALSE(types.empty()) << name;
    for (const std::string& type : types)
      EXPECT_EQ(type, "string1.." + std::to_string(SchemaTextLength(name))) << name;
  }
}

TEST_F(WriterTest, AFailedWriteLeavesNoFileUnderTheName) {
  fs_.FailOn("rename", "racun", 5);
  EXPECT_FALSE(WriteInvoiceDocument(MinimalInvoice(), fs_, path_).ok());
  EXPECT_FALSE(fs_.Exists(path_));
  EXPECT_FALSE(WriteInvoiceDocument(MinimalInvoice(), fs_, dir_.File("missing/racun.xml")).ok());
}

}  // namespace
}  // namespace eracuni::eslog20
