// The three parties and the reference documents.
#include <functional>

#include "tests/eslog/invoice_test_support.h"
#include "workdata/fields.h"

namespace eracuni::eslog::testing {
namespace {

namespace H = workdata::eRACUNI;
const std::string kIssuer = "//PodatkiPodjetja[1]", kBuyer = "//PodatkiPodjetja[2]",
                  kRecipient = "//PodatkiPodjetja[3]";

TEST_F(InvoiceTest, OptionalPartyElementsFollowTheirFields) {
  SKIP_WITHOUT_XML_READER();
  struct Case {
    const char* name;
    std::function<void(workdata::RecordBuffer&)> change;
    std::string xpath;
    int count;
  } cases[] = {
      {"issuer contact", {}, kIssuer + "/KontaktiPodjetja", 1},
      {"blank buyer contact", [](auto& h) { h.SetText(H::IMEOSEBEBY, "  "); },
       kBuyer + "/KontaktiPodjetja", 0},
      {"blank recipient contact", {}, kRecipient + "/KontaktiPodjetja", 0},
      {"issuer second name never", {}, kIssuer + "//NazivPartnerja2", 0},
      {"buyer second name", {}, kBuyer + "//NazivPartnerja2", 1},
      {"blank buyer second name", [](auto& h) { h.SetText(H::NAZIVPARTNERJA2BY, ""); },
       kBuyer + "//NazivPartnerja2", 0},
      {"recipient third name", [](auto& h) { h.SetText(H::NAZIVPARTNERJA3IV, "Oddelek 3"); },
       kRecipient + "//NazivPartnerja3", 1},
      {"recipient without bank name", {}, kRecipient + "//NazivBanke1", 0},
      {"recipient refs, IV1 blank", {}, kRecipient + "/ReferencniPodatkiPodjetja", 2},
      {"recipient refs, both blank", [](auto& h) { h.SetText(H::PODATEKPODJETJAIV2, ""); },
       kRecipient + "/ReferencniPodatkiPodjetja", 1},
      {"both reference documents", {}, "//ReferencniDokumenti", 2},
      {"no reference documents",
       [](auto& h) { h.SetText(H::VRSTADOKUMENTA, ""), h.SetText(H::VRSTADOKUMENTA1, ""); },
       "//ReferencniDokumenti", 0},
      {"only the second", [](auto& h) { h.SetText(H::VRSTADOKUMENTA, ""); },
       "//ReferencniDokumenti[@VrstaDokumenta='AAK']/StevilkaDokumenta[.='DOB-88']", 1},
  };
  for (const Case& c : cases) {
    FillFullHeader(header);
    if (c.change) c.change(header);
    EXPECT_EQ(Doc().Count(c.xpath), c.count) << c.name;
  }
}

TEST_F(InvoiceTest, BuyerBankNameRule) {
  SKIP_WITHOUT_XML_READER();
  struct Case {
    const char* bic;
    const char* name;
    const char* expected;
  } cases[] = {
      {"UJPLSI2DICL", "NLB d.d.", "Banka Slovenije"},
      {"LJBASI2X", "", "Banka"},
      {"UJPLSI2D", "", "Banka"},
      {"LJBASI2X",
       "Dru\x9E"
       "ba & banka",
       "Dru\xC5\xBE"
       "ba + banka"},
  };
  for (const Case& c : cases) {
    header.SetText(H::NAZIVBANKE2BY, c.bic);
    header.SetText(H::NAZIVBANKE1BY, c.name);
    EXPECT_EQ(Doc().Text(kBuyer + "//NazivBanke1"), c.expected) << c.bic;
  }
}

TEST_F(InvoiceTest, NameThatGrowsWhenPreparedIsCutToTheSchemaLength) {
  SKIP_WITHOUT_XML_READER();
  header.SetText(H::NAZIVPARTNERJA1BY, "\"Kova\xE8ija\" in \"Livarna\" Kamnik d.o.");
  EXPECT_EQ(Doc().Text(kBuyer + "//NazivPartnerja1"), "colKova\xC4\x8Dijacol in colLivarnacol Kam");
}

}  // namespace
}  // namespace eracuni::eslog::testing
