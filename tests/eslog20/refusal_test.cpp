// Every refusal reason, each from the smallest change to a valid invoice, with the exact
// line the user reads; and all reasons of one invoice at once.
#include <gtest/gtest.h>

#include <functional>

#include "framework/cp1250.h"
#include "tests/eslog20/model_fixture.h"
#include "workdata/fields.h"

namespace eracuni::eslog20::testing {
namespace {

namespace H = workdata::eRACUNI;
namespace L = workdata::eRACUNIP;

struct Case {
  const char* name;
  std::function<void(ModelTest&)> change;
  std::vector<std::string> expected;
};

// One valid invoice per case.
class RefusalTest : public ModelTest {
 public:
  void TestBody() override {}
};

void ZeroRatedLine(ModelTest& t) {
  t.lines[0].SetText(L::ODSTOTEKDAVKAPOSTAVKE, "0");
  t.Set(H::ZNESEKRACUNASKUPAJ, "100.00");
}

TEST(Refusals, EachReasonWithItsMessage) {
  const std::vector<Case> cases = {
      {"type", [](ModelTest& t) { t.Set(H::VRSTARACUNA, "999"); },
       {"R01 Vrsta računa \"999\" ni dovoljena (BR-CL-01)."}},
      {"number", [](ModelTest& t) { t.Set(H::STEVILKARACUNA, ""); }, {"R02 Številka računa manjka (BR-02)."}},
      {"no date", [](ModelTest& t) { t.Set(H::DATUMRACUNA, ""); }, {"R03 Datum računa manjka (BR-03)."}},
      {"bad date", [](ModelTest& t) { t.Set(H::DATUMRACUNA, "2026-02-29"); },
       {"R04 Datum v polju ERACUNI:DATUMRACUNA ni veljaven: \"2026-02-29\"."}},
      {"period", [](ModelTest& t) {
         t.settings.OBDOBJERACUNA = 1;
         t.Set(H::DATUMRACUNAOBDOBJEOD, "2026-12-01");
         t.Set(H::DATUMRACUNAOBDOBJEDO, "2026-11-01");
       }, {"R05 Konec obdobja 2026-11-01 je pred začetkom 2026-12-01 (BR-29)."}},
      {"currency", [](ModelTest& t) { t.Set(H::KODAVALUTE, "eur"); },
       {"R06 Koda valute \"eur\" ni veljavna (BR-CL-04)."}},
      {"names", [](ModelTest& t) {
         t.Set(H::NAZIVPARTNERJA1, "");
         t.Set(H::NAZIVPARTNERJA1BY, "");
       }, {"R07 Naziv prodajalca manjka (BR-06).", "R07 Naziv kupca manjka (BR-07)."}},
      {"countries", [](ModelTest& t) {
         t.Set(H::KODADRZAVE, "");
         t.Set(H::KODADRZAVEBY, "S1");
       }, {"R08 Koda države prodajalca \"\" ni veljavna (BR-09).",
           "R08 Koda države kupca \"S1\" ni veljavna (BR-11)."}},
      {"seller VA", [](ModelTest& t) { t.Set(H::VRSTAPODATKAPODJETJA, "IT"); },
       {"R09 Manjka ID za DDV prodajalca (koda VA)."}},
      {"exempt seller ids", [](ModelTest& t) {
         ZeroRatedLine(t);
         t.Set(H::VRSTAPODATKAPODJETJA, "");
       }, {"R10 Manjka ID za DDV ali davčna številka prodajalca."}},
      {"seller registration", [](ModelTest& t) {
         ZeroRatedLine(t);
         t.Set(H::VRSTAPODATKAPODJETJA, "AHP");
         t.Set(H::VRSTAPODATKAPODJETJA1, "");
       }, {"R11 Manjka ID za DDV ali matična številka prodajalca (BR-CO-26)."}},
      {"buyer VA", [](ModelTest& t) {
         ZeroRatedLine(t);
         t.Set(H::TEKST1DAVKI, "OBRNJENA_DAVCNA_OBVEZNOST");
         t.Set(H::VRSTAPODATKAPODJETJABY1, "");
       }, {"R12 Manjka ID za DDV kupca (koda VA)."}},
      {"O with VAT", [](ModelTest& t) {
         t.settings.DDVKATEGORIJA0 = 'O';
         t.AddLine(2, "1", "10.00", "10.00", "0");
         t.Set(H::ZNESEKRACUNASKUPAJ, "132.00");
       }, {"R09 Manjka ID za DDV prodajalca (koda VA).",
           "R13 Postavk, ki niso predmet DDV (O), ni mogoče združiti s postavkami z DDV."}},
      {"K without date", [](ModelTest& t) {
         t.settings.DDVKATEGORIJA0 = 'K';
         ZeroRatedLine(t);
       }, {"R14 Pri dobavi v drugo državo EU manjka datum opravljene dobave ali obdobje (BR-IC-11)."}},
      {"payment method", [](ModelTest& t) { t.Set(H::TEKST2NP, "7"); }, {"R15 Neznan način plačila \"7\"."}},
      {"IBAN", [](ModelTest& t) { t.Set(H::STEVILKABANCNEGARACUNA, ""); },
       {"R16 Manjka bančni račun (IBAN) prodajalca (BR-61)."}},
      {"reference", [](ModelTest& t) { t.Set(H::STEVILKASKLICASKUPAJ, "12/34"); },
       {"R17 Sklica \"12/34\" ni mogoče zapisati kot sklic SI ali RF."}},
      {"due date", [](ModelTest& t) { t.Set(H::DATUMPLACILA, ""); }, {"R18 Manjka datum zapadlosti (BR-CO-25)."}},
      {"no lines", [](ModelTest& t) { t.lines.clear(); }, {"R19 Račun nima postavk (BR-16)."}},
      {"line number", [](ModelTest& t) { t.lines[0].SetU32(L::ZAPSTEVPOST, 1000000); },
       {"R20 Postavka 1000000: številka vrstice je večja od 999999."}},
      {"description", [](ModelTest& t) { t.lines[0].SetText(L::OPISARTIKLA1, ""); },
       {"R21 Postavka 1: opis artikla manjka (BR-25)."}},
      {"quantity", [](ModelTest& t) { t.lines[0].SetText(L::KOLICINA, ""); },
       {"R22 Postavka 1: količina manjka (BR-22)."}},
      {"unit", [](ModelTest& t) { t.lines[0].SetText(L::ENOTAMERE, "AMT"); },
       {"R23 Postavka 1: enota mere \"AMT\" ni dovoljena (BR-CL-23)."}},
      {"line amount", [](ModelTest& t) { t.lines[0].SetText(L::ZNESEKPOSTAVKE, ""); },
       {"R24 Postavka 1: vrednost postavke manjka (BR-24)."}},
      {"price", [](ModelTest& t) { t.lines[0].SetText(L::CENA, ""); }, {"R25 Postavka 1: cena manjka (BR-26)."}},
      {"zero quantity", [](ModelTest& t) { t.lines[0].SetText(L::KOLICINA, "0"); },
       {"R25 Postavka 1: količina je 0, vrednost postavke pa ni 0."}},
      {"negative net price", [](ModelTest& t) {
         t.lines[0].SetText(L::ZNESEKPOSTAVKE, "-100.00");
         t.Set(H::ZNESEKRACUNASKUPAJ, "-122.00");
       }, {"R25 Postavka 1: neto cena je negativna (BR-27)."}},
      {"tax", [](ModelTest& t) { t.lines[0].SetText(L::VRSTADAVKAPOSTAVKE, "GST"); },
       {"R26 Postavka 1: vrsta davka \"GST\" ni DDV."}},
      {"rate", [](ModelTest& t) { t.lines[0].SetText(L::ODSTOTEKDAVKAPOSTAVKE, "9.555"); },
       {"R27 Postavka 1: stopnja DDV \"9.555\" ni veljavna."}},
      {"indicator", [](ModelTest& t) {
         workdata::RecordBuffer& l = t.lines[0];
         l.SetText(L::IDENTIFIKATOR, "X");
         l.SetText(L::ODSTOTEKPOSTAVKE, "10");
         l.SetText(L::VRSTAZNESKAODSTOTKA, "204");
         l.SetText(L::ZNESEKODSTOTKA, "10.00");
       }, {"R28 Postavka 1: neznana oznaka popusta ali pribitka \"X\"."}},
      {"allowance amount", [](ModelTest& t) {
         t.lines[0].SetText(L::IDENTIFIKATOR, "A");
         t.lines[0].SetText(L::ODSTOTEKPOSTAVKE, "10");
       }, {"R29 Postavka 1: manjka znesek popusta ali pribitka (BR-41, BR-43)."}},
      {"not a number", [](ModelTest& t) {
         t.lines[0].SetText(L::KOLICINA, "2x");
         t.Set(H::ZNESEKRACUNASKUPAJ, "1,22,0");
       }, {"R30 ERACUNI:ZNESEKRACUNASKUPAJ: \"1,22,0\" ni število.",
           "R30 Postavka 1: ERACUNIP:KOLICINA: \"2x\" ni število."}},
      {"control bytes stay escaped on one line", [](ModelTest& t) { t.lines[0].SetText(L::KOLICINA, "2\n\x1B|"); },
       {"R30 Postavka 1: ERACUNIP:KOLICINA: \"2\\n\\x1B\\x7C\" ni število."}},
      {"cents", [](ModelTest& t) { t.lines[0].SetText(L::ZNESEKPOSTAVKE, "100.005"); },
       {"R31 Postavka 1: ERACUNIP:ZNESEKPOSTAVKE: znesek \"100.005\" ima več kot dve decimalki (BR-DEC)."}},
      {"amount for payment", [](ModelTest& t) { t.Set(H::ZNESEKRACUNASKUPAJ, ""); },
       {"R32 Znesek za plačilo manjka."}},
      {"difference", [](ModelTest& t) { t.Set(H::ZNESEKRACUNASKUPAJ, "127.00"); },
       {"R33 Znesek za plačilo 127.00 se od izračunanega 122.00 razlikuje za 5.00; dovoljeno je največ 0.01."}},
      {"eleven rates", [](ModelTest& t) {
         t.lines.clear();
         for (int k = 1; k <= 11; ++k) t.AddLine(k, "1", "100", "100.00", std::to_string(k).c_str());
         t.Set(H::ZNESEKRACUNASKUPAJ, "1166.00");
       }, {"R34 Preveč različnih stopenj in kategorij DDV (največ 10)."}},
      {"too long", [](ModelTest& t) { t.lines[0].SetText(L::KOLICINA, "1234567890123456789"); },
       {"R35 Postavka 1: ERACUNIP:KOLICINA: vrednost \"1234567890123456789\" je predolga za e-SLOG 2.0."}},
      {"percentage", [](ModelTest& t) {
         workdata::RecordBuffer& l = t.lines[0];
         l.SetText(L::IDENTIFIKATOR, "A");
         l.SetText(L::ODSTOTEKPOSTAVKE, "-5");
         l.SetText(L::VRSTAZNESKAODSTOTKA, "204");
         l.SetText(L::ZNESEKODSTOTKA, "0.00");
       }, {"R36 Postavka 1: odstotek \"-5\" ni veljaven."}},
  };
  for (const Case& c : cases) {
    RefusalTest t;
    c.change(t);
    EXPECT_EQ(t.Refusals(), c.expected) << c.name;
  }
}

TEST_F(ModelTest, EveryReasonAtOnceInTheMessageBoxText) {
  Set(H::STEVILKARACUNA, "");
  Set(H::KODAVALUTE, "");
  lines[0].SetText(L::ENOTAMERE, "");
  BuildResult r = Build();
  EXPECT_EQ(Cp1250ToUtf8(RefusalMessageText(header, r.refusals)),
            " Račun (ID 7) ni izdelan v obliki e-SLOG 2.0:"
            "|- Številka računa manjka (BR-02)."
            "|- Koda valute \"\" ni veljavna (BR-CL-04)."
            "|- Postavka 1: enota mere \"\" ni dovoljena (BR-CL-23)."
            "||Račun ni vključen v ovojnico in paket.");
}

}  // namespace
}  // namespace eracuni::eslog20::testing
