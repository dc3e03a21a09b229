// Amount sections, payment reference, tax summaries and the trailing text blocks.
#include "tests/eslog/invoice_test_support.h"
#include "workdata/fields.h"

namespace eracuni::eslog::testing {
namespace {

namespace H = workdata::eRACUNI;
namespace L = workdata::eRACUNIP;

TEST_F(InvoiceTest, ZeroAmountsGiveSixSectionsWithCode53AndZeroForms) {
  SKIP_WITHOUT_XML_READER();
  for (auto f : {H::ZNESEKRACUNA2, H::ZNESEKRACUNA3, H::ZNESEKRACUNA4, H::ZNESEKRACUNA5,
                 H::ZNESEKRACUNA6, H::ZNESEKRACUNA7})
    header.SetText(f, "  0.00");
  header.SetText(H::ZNESEKRACUNA8, "");
  XmlDoc doc = Doc();
  EXPECT_EQ(doc.Texts("//ZneskiRacuna/VrstaZneska"),
            (std::vector<std::string>{"79", "53", "125", "176", "86", "9"}));
  EXPECT_EQ(doc.Texts("//ZneskiRacuna/ZnesekRacuna"),
            (std::vector<std::string>{"1370.50", "0.00", "0.00", "0.00", "0.00", "1482.00"}));
}

TEST_F(InvoiceTest, SetsSixToEightOnlyWhenNotZeroAndBlankReferenceGivesRF04) {
  SKIP_WITHOUT_XML_READER();
  header.SetText(H::ZNESEKRACUNA7, "0");
  XmlDoc doc = Doc();
  EXPECT_EQ(doc.Texts("//ZneskiRacuna/VrstaZneska"),
            (std::vector<std::string>{"79", "52", "125", "176", "86", "113", "131", "9"}));
  header.SetText(H::STEVILKASKLICASKUPAJ, "");
  EXPECT_EQ(Doc().Text("//StevilkaSklica"), "RF04");
}

TEST_F(InvoiceTest, TaxSummaryPerRateWhenItsBaseIsNotZero) {
  SKIP_WITHOUT_XML_READER();
  header.SetText(H::ZNESEKDAVKAOSNOVA20, "0.00");
  header.SetText(H::ZNESEKDAVKAOSNOVA0, "");
  header.SetText(H::ZNESEKDAVKAZNESEK8_5, "0.00");
  EXPECT_EQ(Doc().Texts("//DavkiRacuna/OdstotekDavka"), (std::vector<std::string>{"9.50"}));
  header.SetText(H::ZNESEKDAVKAOSNOVA8_5, "0.00");
  EXPECT_EQ(Doc().Count("//PovzetekDavkovRacuna"), 0);
}

TEST_F(InvoiceTest, StudentServiceSumsTheUntaxedLinesExactly) {
  SKIP_WITHOUT_XML_READER();
  auto line = [&](uint32_t nr, const char* rate, const char* tax, const char* amount) {
    auto& l = AddLine(nr);
    l.SetText(L::ODSTOTEKDAVKAPOSTAVKE, rate);
    l.SetText(L::ZNESEK1, tax);
    l.SetText(L::ZNESEK, amount);
  };
  line(1, "0.00", "0.00", "100.00");
  line(2, "22.00", "0.00", "999.00");  // taxed: not counted
  line(3, " 0", "  0", "50.495");  // the third decimal rounds half away from zero
  line(4, "0.00", "1.00", "999.00");  // has a tax amount: not counted
  for (uint32_t nr = 5; nr < 15; ++nr) line(nr, "0", "0", "0.10");
  line(20, "0", "0", "-1.00");
  const std::string summary = "//PovzetekDavkovRacuna[DavkiRacuna[not(*)]]";
  settings.STSERVIS = 0;
  EXPECT_EQ(Doc().Count(summary), 0);
  settings.STSERVIS = 1;
  XmlDoc doc = Doc();
  EXPECT_EQ(doc.Texts(summary + "/ZneskiDavkov/*"), (std::vector<std::string>{"125", "150.50"}));
  EXPECT_EQ(doc.Count("//PovzetekDavkovRacuna"), 4);
  lines.back().SetText(L::ZNESEK, "-151.50");
  EXPECT_EQ(Doc().Count(summary), 0);
}

TEST_F(InvoiceTest, ReverseChargeAndClerkMarkersMatchExactly) {
  SKIP_WITHOUT_XML_READER();
  EXPECT_EQ(Doc().Count("//PoljubnoBesedilo"), 6);
  header.SetText(H::TEKST1DAVKI, "obrnjena_davcna_obveznost");
  header.SetText(H::TEKST1GL, " FAKTURIST");
  EXPECT_EQ(Doc().Count("//PoljubnoBesedilo"), 3);
}

}  // namespace
}  // namespace eracuni::eslog::testing
