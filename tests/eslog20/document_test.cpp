// IzdelajXMLRacun20 over work data: the golden document with every optional part, and what
// a refusal leaves behind.
#include "eslog20/document.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "framework/cp1250.h"
#include "framework/testing/fakes.h"
#include "workdata/fields.h"
#include "workdata/testing/memory_work_data.h"
#include "xml/testing/schema_check.h"

namespace eracuni::eslog20 {
namespace {

namespace H = workdata::eRACUNI;
namespace L = workdata::eRACUNIP;
using eracuni::testing::ReadFileOrEmpty;

// An invoice with every part a document of ours can have: three VAT groups (22 %, 9.5 % and
// an intra-community supply at 0 %, so a deliver-to party and an exemption reason), a gross
// price with a line allowance given by its base, a charge given by its amount, a paid
// amount and one cent of rounding.
void FillFullHeader(workdata::RecordBuffer& h) {
  const std::pair<workdata::Field, const char*> fields[] = {
      {H::VRSTARACUNA, "380"},
      {H::STEVILKARACUNA, "2026-000123"},
      {H::DATUMRACUNA, "2026-12-01T00:00:00"},
      {H::DATUMRACUNASTORITVE, "2026-11-30"},
      {H::DATUMRACUNAOBDOBJEOD, "2026-11-01"},
      {H::DATUMRACUNAOBDOBJEDO, "2026-11-30"},
      {H::TEKST2NP, "0"},
      {H::TEKST2NASL, "GDSV"},
      {H::TEKST1NASL, "Ra\xE8un za pohi\x9Atvo & monta\x9Eo"},
      {H::TEKST1GL, "FAKTURIST"},
      {H::TEKST2GL, "Maja \x8E" "agar"},
      {H::VRSTADOKUMENTA, "IV"},
      {H::STEVILKADOKUMENTA, "2026-000100"},
      {H::DATUMDOKUMENTA, "2026-10-15"},
      {H::VRSTADOKUMENTA1, "CR"},
      {H::STEVILKADOKUMENTA1, "NAR-77"},
      {H::STEVILKASKLICASKUPAJ, "5390-0754-7034"},
      {H::NAZIVPARTNERJA1, "Mizarstvo \x8E" "agar d.o.o."},
      {H::ULICA1, "Kidri\xE8" "eva cesta 58"},
      {H::KRAJ, "\x8A" "kofja Loka"},
      {H::POSTNASTEVILKA, "4220"},
      {H::KODADRZAVE, "SI"},
      {H::STEVILKABANCNEGARACUNA, "SI56 1010 0005 2789 461"},
      {H::NAZIVBANKE1, "Banka Intesa Sanpaolo d.d."},
      {H::NAZIVBANKE2, "BAKOSI2X"},
      {H::VRSTAPODATKAPODJETJA, "VA"},
      {H::PODATEKPODJETJA, "24681357"},
      {H::VRSTAPODATKAPODJETJA1, "GN"},
      {H::PODATEKPODJETJA1, "6123457000"},
      {H::IMEOSEBE, "Toma\x9E \x8E" "agar"},
      {H::NAZIVPARTNERJA1BY, "Gasthof Zur Biene"},
      {H::NAZIVPARTNERJA2BY, "GmbH"},
      {H::ULICA1BY, "Hauptplatz 3"},
      {H::KRAJBY, "Villach"},
      {H::POSTNASTEVILKABY, "9500"},
      {H::KODADRZAVEBY, "AT"},
      {H::STEVILKABANCNEGARACUNABY, "AT61 1904 3002 3457 3201"},
      {H::NAZIVBANKE1BY, "UniCredit Bank Austria AG"},
      {H::NAZIVBANKE2BY, "BKAUATWW"},
      {H::VRSTAPODATKAPODJETJABY1, "VA"},
      {H::PODATEKPODJETJABY1, "ATU12345678"},
      {H::VRSTAPODATKAPODJETJABY2, "GN"},
      {H::PODATEKPODJETJABY2, "FN 123456a"},
      {H::IMEOSEBEBY, "Mojca \x8Au\x9Atar"},
      {H::KODAVALUTE, "EUR"},
      {H::DATUMPLACILA, "2026-12-31"},
      {H::VRSTAZNESKA1, "113"},
      {H::ZNESEKRACUNA1, "10.00"},
      {H::ZNESEKRACUNASKUPAJ, "374.59"},
  };
  for (const auto& [field, value] : fields) h.SetText(field, value);
}

struct LineSpec {
  const char* article;
  const char* description1;
  const char* description2;
  const char* quantity;
  const char* unit;
  const char* price_kind;
  const char* price;
  const char* amount;
  const char* amount_with_vat;
  const char* rate;
  const char* kind;  // allowance or charge: A, C, P
  const char* percentage;
  const char* amount_code;
  const char* percentage_amount;
};

void FillLine(workdata::RecordBuffer& l, const LineSpec& s) {
  const std::pair<workdata::Field, const char*> fields[] = {
      {L::STEVILKAARTIKLADODATNA, s.article}, {L::OPISARTIKLA1, s.description1},
      {L::OPISARTIKLA2, s.description2},      {L::KOLICINA, s.quantity},
      {L::ENOTAMERE, s.unit},                 {L::VRSTACENE, s.price_kind},
      {L::CENA, s.price},                     {L::ZNESEKPOSTAVKE, s.amount},
      {L::ZNESEKPOSTAVKEVSE, s.amount_with_vat}, {L::VRSTADAVKAPOSTAVKE, "VAT"},
      {L::ODSTOTEKDAVKAPOSTAVKE, s.rate},     {L::IDENTIFIKATOR, s.kind},
      {L::ODSTOTEKPOSTAVKE, s.percentage},    {L::VRSTAZNESKAODSTOTKA, s.amount_code},
      {L::ZNESEKODSTOTKA, s.percentage_amount},
  };
  for (const auto& [field, value] : fields) l.SetText(field, value);
}

class DocumentTest : public ::testing::Test {
 protected:
  DocumentTest() : errors_(fake_.messages, terminator_) {
    errors_.Init();
    settings_.OBDOBJERACUNA = 1;
    settings_.DDVKATEGORIJA0 = 'K';
    settings_.DDVOPROSTITEV0 = "Opro\x9A\xE8" "eno po 46. \xE8lenu ZDDV-1";
    header_ = &data_.AddHeader(kIdent);  // the only header, so it stays where it is
    FillFullHeader(*header_);
    workdata::RecordBuffer& l1 = data_.AddLine(kIdent, 1);
    FillLine(l1, {"ART-1", "Hrastova miza", "", "2", "PCE", "AAB", "100.00", "180.00", "219.60",
                  "22", "A", "10", "25", "200.00"});
    l1.SetText(L::VRSTAZNESKADAVKAPOSTAVKE, "125");
    l1.SetText(L::ZNESEK, "180.00");
    l1.SetText(L::VRSTAZNESKADAVKAPOSTAVKE1, "124");
    l1.SetText(L::ZNESEK1, "39.60");
    FillLine(data_.AddLine(kIdent, 2), {"", "Monta\x9E" "a", "", "3", "HUR", "AAA", "33.333",
                                        "105.00", "", "9.5", "C", "5", "23", "5.00"});
    // A description split by the producer at the field's 35th character.
    FillLine(data_.AddLine(kIdent, 3),
             {"ART-3", "Dobava lesenih plo\x9A\xE8 v Avstrijo, le", "pljenih", "1", "KGM", "",
              "50", "50.00", "50.00", "0", "", "0", "", ""});
  }

  // The document of header kIdent as "racun.xml" in the output folder.
  DocumentOutcome Write() {
    files_ = data_.Open(settings_, errors_);
    settings_.POTDOXMLRACUNOV = dir_.path();
    workdata::WalkHeaders(*files_, [] { return false; });  // the first header is current
    return IzdelajXMLRacun20(settings_, *files_, fake_.files, "racun.xml");
  }
  std::string Path() const { return dir_.File("racun.xml"); }

  static constexpr uint32_t kIdent = 7;
  eracuni::testing::FakePlatform fake_;
  eracuni::testing::RecordingTerminator terminator_;
  ErrorManager errors_;
  settings::Settings settings_;
  workdata::testing::MemoryWorkData data_;
  workdata::RecordBuffer* header_ = nullptr;
  std::unique_ptr<workdata::WorkFiles> files_;
  eracuni::testing::TempDir dir_;
};

TEST_F(DocumentTest, FullInvoiceMatchesGolden) {
  DocumentOutcome o = Write();
  ASSERT_FALSE(o.refused()) << o.refusals[0].line;
  ASSERT_TRUE(o.status.ok()) << o.status.message();
  EXPECT_EQ(o.payment_reference, "RF18539007547034");
  if (xml::testing::Eslog20SchemaAvailable()) {
    Status valid = xml::testing::ValidateEslog20(Path());
    EXPECT_TRUE(valid.ok()) << valid.message();
  }
  const std::string golden =
      std::string(ERACUNI_SOURCE_DIR) + "/tests/golden/eslog20/invoice_full.xml";
  if (std::getenv("ERACUNI_UPDATE_GOLDEN") != nullptr)
    eracuni::testing::WriteFileOrDie(golden, ReadFileOrEmpty(Path()));
  EXPECT_EQ(ReadFileOrEmpty(Path()), ReadFileOrEmpty(golden))
      << "set ERACUNI_UPDATE_GOLDEN=1 to rewrite " << golden << " after reviewing the change";
}

TEST_F(DocumentTest, RefusedInvoiceWritesNothingAndKeepsTheVerdict) {
  data_.AddLine(kIdent, 4).SetText(L::ENOTAMERE, "AMT");  // and no description, no amount
  settings_.DOBROPISBREMEPIS = 1;
  DocumentOutcome o = Write();
  EXPECT_TRUE(o.refused());
  EXPECT_GE(o.refusals.size(), 3u);  // every reason, not only the first
  EXPECT_FALSE(fake_.files.Exists(Path()));
  EXPECT_EQ(settings_.DOBROPISBREMEPIS, 1);
  EXPECT_EQ(o.payment_reference, "");
}

// The rules judge the finished model: on channel U, UJP's checks refuse the invoice with the
// message the user reads; on another channel they are warnings and the document is written.
TEST_F(DocumentTest, UjpChecksRefuseOnChannelUAndWarnElsewhere) {
  header_->SetText(H::STEVILKABANCNEGARACUNABY, "");
  header_->SetText(H::VRSTADOKUMENTA, "");
  settings_.KATERABANKA = 'U';
  DocumentOutcome o = Write();
  ASSERT_TRUE(o.refused());
  EXPECT_FALSE(fake_.files.Exists(Path()));
  EXPECT_EQ(Cp1250ToUtf8(RefusalMessageText(files_->headers().buffer(), o.refusals)),
            " Račun 2026-000123 ni izdelan v obliki e-SLOG 2.0:"
            "|- Manjka bančni račun kupca (NBT-010), ki ga zahteva UJP (UJP-02)."
            "|- Račun nima referenčnega dokumenta (pogodbe, naročilnice ali dobavnice), ki ga zahteva UJP (UJP-04)."
            "||Račun ni vključen v ovojnico in paket.");

  settings_.KATERABANKA = 'G';
  o = Write();
  ASSERT_FALSE(o.refused());
  EXPECT_TRUE(fake_.files.Exists(Path()));
  EXPECT_EQ(o.warnings.size(), 2u);
}

}  // namespace
}  // namespace eracuni::eslog20
