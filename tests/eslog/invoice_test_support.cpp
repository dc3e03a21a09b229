#include "tests/eslog/invoice_test_support.h"

#include <utility>

#include "eslog/invoice.h"
#include "framework/error_manager.h"
#include "workdata/fields.h"
#include "workdata/testing/memory_work_data.h"
#include "workdata/work_files.h"
#include "xml/testing/schema_check.h"

namespace eracuni::eslog::testing {
namespace {

namespace H = workdata::eRACUNI;
namespace L = workdata::eRACUNIP;
using workdata::Field;

// Texts are windows-1250: \xC8 Č, \xE8 č, \x8A Š, \x9A š, \x8E Ž, \x9E ž, \xFC ü, \xE9 é.
const std::vector<std::pair<Field, const char*>> kFullHeader = {
    {H::VRSTARACUNA, "380"},
    {H::STEVILKARACUNA, "  2026-00042"},
    {H::FUNKCIJARACUNA, "9"},
    {H::TEKST2NP, "0"},
    {H::TEKST1NP, "Nakazilo"},
    {H::VRSTABESEDILANASL, "AAI"},
    {H::TEKST1NASL, "Ra\xE8un za storitve - december 2026"},
    {H::TEKST2NASL, "GDSV"},
    {H::VRSTAVALUTERACUNA, "2"},
    {H::KODAVALUTE, "EUR"},
    {H::VRSTADATUMA, "137"},
    {H::DATUMRACUNA, "2026-12-08T00:00:00"},
    {H::VRSTADATUMAOD, "263"},
    {H::DATUMRACUNAOBDOBJEOD, "2026-11-01T00:00:00"},
    {H::VRSTADATUMADO, "263"},
    {H::DATUMRACUNAOBDOBJEDO, "2026-11-30T00:00:00"},
    {H::VRSTADATUMASTO, "35"},
    {H::DATUMRACUNASTORITVE, "2026-11-30T00:00:00"},
    {H::VRSTALOKACIJE, "91"},
    {H::NAZIVLOKACIJE, "\x8Akofja Loka"},
    {H::VRSTAPOGOJA, "3"},
    {H::VRSTADATUMAPLACILNEGAROKA, "13"},
    {H::DATUMPLACILA, "2026-12-31T00:00:00"},
    {H::TEKST1GL, "FAKTURIST"},
    {H::TEKST2GL, "Ana Novak"},
    // Issuer.
    {H::VRSTAPARTNERJA, "II"},
    {H::NAZIVPARTNERJA1,
     "\xC8"
     "ebelarstvo \x8Eu\x9E"
     "emberk d.o.o."},
    {H::NAZIVPARTNERJA2, "Enota Kranj"},
    {H::ULICA1,
     "Tr\x9E"
     "a\x9Aka cesta 12"},
    {H::KRAJ, "\x8Akofja Loka"},
    {H::NAZIVDRZAVE, "Slovenija"},
    {H::POSTNASTEVILKA, "4220"},
    {H::KODADRZAVE, "SI"},
    {H::STEVILKABANCNEGARACUNA, "SI56070000000000001"},
    {H::NAZIVBANKE1, "Gorenjska banka d.d."},
    {H::NAZIVBANKE2, "GORESI2X"},
    {H::VRSTAPODATKAPODJETJA, "VA"},
    {H::PODATEKPODJETJA, "SI12345678"},
    {H::VRSTAPODATKAPODJETJA1, "GN"},
    {H::PODATEKPODJETJA1, "1234567000"},
    {H::IMEOSEBE, "Janez Kova\xE8"},
    // Buyer.
    {H::VRSTAPARTNERJABY, "BY"},
    {H::NAZIVPARTNERJA1BY, "M\xFCller & Sohn GmbH"},
    {H::NAZIVPARTNERJA2BY, "Podru\x9Enica Ljubljana"},
    {H::NAZIVPARTNERJA3BY, "Nabava"},
    {H::ULICA1BY, "Dunajska cesta 5"},
    {H::KRAJBY, "Ljubljana"},
    {H::NAZIVDRZAVEBY, "Slovenija"},
    {H::POSTNASTEVILKABY, "1000"},
    {H::KODADRZAVEBY, "SI"},
    {H::STEVILKABANCNEGARACUNABY, "SI56020000000000002"},
    {H::NAZIVBANKE1BY, "NLB d.d."},
    {H::NAZIVBANKE2BY, "LJBASI2X"},
    {H::VRSTAPODATKAPODJETJABY1, "VA"},
    {H::PODATEKPODJETJABY1, "SI87654321"},
    {H::VRSTAPODATKAPODJETJABY2, "GN"},
    {H::PODATEKPODJETJABY2, "7654321000"},
    {H::VRSTAPODATKAPODJETJABY, "IT"},
    {H::PODATEKPODJETJABY, "\x8A-0042"},
    {H::IMEOSEBEBY, "Mary O'Brien"},
    // Recipient.
    {H::VRSTAPARTNERJAIV, "IV"},
    {H::NAZIVPARTNERJA1IV, "Caf\xE9 \x8Aumi d.o.o."},
    {H::ULICA1IV, "Cankarjeva 3"},
    {H::KRAJIV, "Kranj"},
    {H::NAZIVDRZAVEIV, "Slovenija"},
    {H::POSTNASTEVILKAIV, "4000"},
    {H::KODADRZAVEIV, "SI"},
    {H::STEVILKABANCNEGARACUNAIV, "SI56030000000000003"},
    {H::NAZIVBANKE1IV, "SKB d.d."},
    {H::VRSTAPODATKAPODJETJAIV2, "GN"},
    {H::PODATEKPODJETJAIV2, "5555555000"},
    {H::VRSTAPODATKAPODJETJAIV, "VA"},
    {H::PODATEKPODJETJAIV, "SI55555555"},
    // Reference documents; the third set is never written.
    {H::VRSTADOKUMENTA, "ON"},
    {H::STEVILKADOKUMENTA, "NAR-2026/17"},
    {H::DATUMDOKUMENTA, "2026-11-02T00:00:00"},
    {H::VRSTADOKUMENTA1, "AAK"},
    {H::STEVILKADOKUMENTA1, "DOB-88"},
    {H::DATUMDOKUMENTA1, "2026-11-03T00:00:00"},
    {H::VRSTADOKUMENTA2, "IV"},
    {H::STEVILKADOKUMENTA2, "X-1"},
    // Amounts and tax summaries.
    {H::VRSTAZNESKA1, "79"},
    {H::ZNESEKRACUNA1, "  1,370.50"},
    {H::VRSTAZNESKA2, "52"},
    {H::ZNESEKRACUNA2, "20.00"},
    {H::VRSTAZNESKA3, "125"},
    {H::ZNESEKRACUNA3, "1350.50"},
    {H::VRSTAZNESKA4, "176"},
    {H::ZNESEKRACUNA4, "239.00"},
    {H::VRSTAZNESKA5, "86"},
    {H::ZNESEKRACUNA5, "1589.50"},
    {H::VRSTAZNESKA6, "113"},
    {H::ZNESEKRACUNA6, "100.00"},
    {H::VRSTAZNESKA7, "129"},
    {H::ZNESEKRACUNA7, "5.00"},
    {H::VRSTAZNESKA8, "131"},
    {H::ZNESEKRACUNA8, "2.50"},
    {H::VRSTAZNESKASKUPAJ, "9"},
    {H::ZNESEKRACUNASKUPAJ, "1482.00"},
    {H::SKLICPLACILASKUPAJ, "PQ"},
    {H::STEVILKASKLICASKUPAJ, "5390-0754-7034"},
    {H::VRSTADAVKA20, "VAT"},
    {H::ODSTOTEKDAVKA20, "   22.00"},
    {H::VRSTAZNESKADAVKAOSNOVA20, "125"},
    {H::ZNESEKDAVKAOSNOVA20, "1000.00"},
    {H::VRSTAZNESKADAVKAZNESEK20, "124"},
    {H::ZNESEKDAVKAZNESEK20, "220.00"},
    {H::VRSTADAVKA8_5, "VAT"},
    {H::ODSTOTEKDAVKA8_5, "9.50"},
    {H::VRSTAZNESKADAVKAOSNOVA8_5, "125"},
    {H::ZNESEKDAVKAOSNOVA8_5, "200.00"},
    {H::VRSTAZNESKADAVKAZNESEK8_5, "124"},
    {H::ZNESEKDAVKAZNESEK8_5, "19.00"},
    {H::VRSTADAVKA0, "VAT"},
    {H::ODSTOTEKDAVKA0, "0.00"},
    {H::VRSTAZNESKADAVKAOSNOVA0, "125"},
    {H::ZNESEKDAVKAOSNOVA0, "150.50"},
    {H::VRSTAZNESKADAVKAZNESEK0, "77"},
    {H::ZNESEKDAVKAZNESEK0, "99.99"},
    {H::VRSTABESEDILADAVKI, "TXD"},
    {H::TEKST1DAVKI, "OBRNJENA_DAVCNA_OBVEZNOST"},
    {H::TEKST2DAVKI, "Davek obra\xE8una prejemnik"},
    {H::TEKST3DAVKI, "ni zapisano"},
};

class QuietTerminator : public Terminator {
 public:
  void Terminate(int, const std::string&) override {}
};

}  // namespace

void FillFullHeader(workdata::RecordBuffer& h) {
  for (const auto& [field, value] : kFullHeader) h.SetText(field, value);
}

void FillLine(workdata::RecordBuffer& l, const std::string& description) {
  const std::pair<Field, const char*> values[] = {
      {L::KODAOPISAARTIKLA, "F"},
      {L::STEVILKAARTIKLADODATNA, "3830000000001"},
      {L::VRSTAKOLICINE, "47"},
      {L::KOLICINA, "2.000"},
      {L::ENOTAMERE, "PCE"},
      {L::VRSTAZNESKAPOSTAVKE, "66"},
      {L::ZNESEKPOSTAVKE, "  1,000.00"},
      {L::VRSTAZNESKAPOSTAVKEVSE, "38"},
      {L::ZNESEKPOSTAVKEVSE, "1220.00"},
      {L::CENA, "500.00"},
      {L::VRSTADAVKAPOSTAVKE, "VAT"},
      {L::ODSTOTEKDAVKAPOSTAVKE, "   22.00"},
      {L::VRSTAZNESKADAVKAPOSTAVKE, "125"},
      {L::ZNESEK, "1000.00"},
      {L::VRSTAZNESKADAVKAPOSTAVKE1, "124"},
      {L::ZNESEK1, "220.00"},
      {L::IDENTIFIKATOR, "A"},
      {L::VRSTAODSTOTKAPOSTAVKE, "1"},
      {L::ODSTOTEKPOSTAVKE, "   10.00"},
      {L::VRSTAZNESKAODSTOTKA, "204"},
      {L::ZNESEKODSTOTKA, "100.00"},
  };
  for (const auto& [field, value] : values) l.SetText(field, value);
  l.SetText(L::OPISARTIKLA1, description);
}

InvoiceTest::InvoiceTest() : header(workdata::HeaderLayout()) {
  FillFullHeader(header);
  header.SetU32(H::IDENTRACUN, kIdent);
  settings.POTDOXMLRACUNOV = dir.path();
}

workdata::RecordBuffer& InvoiceTest::AddLine(uint32_t line_number, const std::string& description,
                                             uint32_t ident) {
  workdata::RecordBuffer& l = lines.emplace_back(workdata::LineLayout());
  FillLine(l, description);
  l.SetU32(L::IDENTRACUN, ident);
  l.SetU32(L::ZAPSTEVPOST, line_number);
  return l;
}

Status InvoiceTest::Write() {
  workdata::testing::MemoryWorkData data;
  data.AddHeader(kIdent).Assign(header.bytes());
  for (const auto& l : lines) data.AddLine(0, 0).Assign(l.bytes());
  QuietTerminator terminator;
  eracuni::testing::ScriptedMessageBox boxes;
  ErrorManager errors(boxes, terminator);
  std::unique_ptr<workdata::WorkFiles> files = data.Open(settings, errors);
  workdata::WalkHeaders(*files, [&] { return false; });
  return IzdelajXMLRacun(settings, *files, fs, "  racun.xml  ");
}

std::string InvoiceTest::Output() const {
  return eracuni::testing::ReadFileOrEmpty(dir.File("racun.xml"));
}

XmlDoc InvoiceTest::Doc() {
  Status s = Write();
  EXPECT_TRUE(s.ok()) << s.ToString();
  std::string bytes = Output();
  XmlDoc doc(bytes);
  EXPECT_TRUE(doc.ok()) << "not well-formed";
  if (xml::testing::Eslog16SchemaAvailable()) {
    Status valid = xml::testing::ValidateEslog16(dir.File("racun.xml"));
    EXPECT_TRUE(valid.ok()) << valid.ToString();
  }
  return doc;
}

}  // namespace eracuni::eslog::testing
