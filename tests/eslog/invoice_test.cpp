// The document as a whole: the golden invoice, the frame and head, and failures.
#include <cerrno>
#include <cstdlib>
#include <filesystem>

#include "tests/eslog/invoice_test_support.h"
#include "workdata/fields.h"
#include "xml/testing/schema_check.h"

namespace eracuni::eslog::testing {
namespace {

namespace H = workdata::eRACUNI;
namespace L = workdata::eRACUNIP;

TEST_F(InvoiceTest, FullInvoiceMatchesGolden) {
  settings.VIZUALIZACIJA = 1;
  settings.OBDOBJERACUNA = 1;
  settings.STSERVIS = 1;
  // Lines stored out of order; 12 and 13 are untaxed student work without optional blocks.
  auto line = [&](uint32_t nr, const char* text, const char* rate, const char* net, const char* tax,
                  const char* gross) -> workdata::RecordBuffer& {
    auto& l = AddLine(nr, text);
    for (auto f : {L::ZNESEKPOSTAVKE, L::ZNESEK, L::CENA}) l.SetText(f, net);
    l.SetText(L::ODSTOTEKDAVKAPOSTAVKE, rate);
    l.SetText(L::ZNESEK1, tax);
    l.SetText(L::ZNESEKPOSTAVKEVSE, gross);
    l.SetText(L::KOLICINA, "1.000");
    if (*rate == '0') l.SetText(L::STEVILKAARTIKLADODATNA, ""), l.SetText(L::ODSTOTKIPOSTAVK, "");
    return l;
  };
  line(12, "\x8Atudentsko delo", "0.00", "100.00", "0.00", "100.00");
  line(1, "Zamenjava cilindrov, izdelava klju\xE8", "22.00", "1000.00", "220.00", "1220.00")
      .SetText(L::OPISARTIKLA2,
               "a in monta\x9E"
               "a");
  line(13, "\x8Atudentsko delo", "0.00", "50.50", "0.00", "50.50");
  auto& pipe = line(2, "Cev 1/2\" - koleno 20\xB0", "9.50", "200.00", "19.00", "219.00");
  pipe.SetText(L::STEVILKAARTIKLADODATNA, "");
  pipe.SetText(L::ODSTOTEKPOSTAVKE, "0.00");
  ASSERT_TRUE(Write().ok());

  const std::string golden =
      std::string(ERACUNI_SOURCE_DIR) + "/tests/golden/eslog/invoice_full.xml";
  if (std::getenv("ERACUNI_UPDATE_GOLDEN") != nullptr)
    eracuni::testing::WriteFileOrDie(golden, Output());
  EXPECT_EQ(Output(), eracuni::testing::ReadFileOrEmpty(golden))
      << "set ERACUNI_UPDATE_GOLDEN=1 to rewrite " << golden << " after reviewing the change";
  if (!xml::testing::Eslog16SchemaAvailable())
    GTEST_SKIP() << "schema check skipped: ../shared/schemas/eslog16 is absent";
  Status valid = xml::testing::ValidateEslog16(dir.File("racun.xml"));
  EXPECT_TRUE(valid.ok()) << valid.ToString();
}

TEST_F(InvoiceTest, StylesheetStandsBetweenDeclarationAndRootOnlyWhenSwitchedOn) {
  SKIP_WITHOUT_XML_READER();
  for (uint32_t on : {0u, 2u}) {
    settings.VIZUALIZACIJA = on;
    Doc();
    std::string second_line = Output().substr(Output().find('\n') + 1, 20);
    EXPECT_EQ(second_line, on ? "<?xml-stylesheet typ" : "<IzdaniRacunEnostavn") << on;
  }
}

TEST_F(InvoiceTest, PeriodDatesOnlyWhenTheSwitchIsExactlyOne) {
  SKIP_WITHOUT_XML_READER();
  for (uint8_t period : {0, 1, 2}) {
    settings.OBDOBJERACUNA = period;
    XmlDoc doc = Doc();
    std::vector<std::string> dates = doc.Texts("//DatumiRacuna/DatumRacuna");
    std::vector<std::string> expected = {"2026-12-08T00:00:00", "2026-11-30T00:00:00"};
    if (period == 1)
      expected.insert(expected.begin() + 1, {"2026-11-01T00:00:00", "2026-11-30T00:00:00"});
    EXPECT_EQ(dates, expected) << int{period};
  }
}

TEST_F(InvoiceTest, InvoiceTypeDecidesHeadTextAndCreditDebitVerdict) {
  SKIP_WITHOUT_XML_READER();
  struct Case {
    const char* type;
    const char* tekst3;
    uint8_t verdict;
  } cases[] = {
      {"380", "GDSV", 0},
      {"383", "GDSV", 0},
      {"381", "DOBROPIS - Ra\xC4\x8Dun za storitve - december 2026", 1},
      {"385", "BREMEPIS - Ra\xC4\x8Dun za storitve - december 2026", 1},
      {"325", "PREDRACUN - Ra\xC4\x8Dun za storitve - december 2026", 0},
  };
  for (const Case& c : cases) {
    header.SetText(H::VRSTARACUNA, c.type);
    settings.DOBROPISBREMEPIS = 1 - c.verdict;
    XmlDoc doc = Doc();
    EXPECT_EQ(doc.Text("//PoljubnoBesedilo[3]/Besedilo/Tekst3"), c.tekst3) << c.type;
    EXPECT_EQ(settings.DOBROPISBREMEPIS, c.verdict) << c.type;
  }
}

TEST_F(InvoiceTest, CreditNoteWithFullLengthTitleKeepsTheSchemaLength) {
  SKIP_WITHOUT_XML_READER();
  header.SetText(H::VRSTARACUNA, "381");
  header.SetText(H::TEKST1NASL, std::string(59, 'x') + "\xE8");
  XmlDoc doc = Doc();
  EXPECT_EQ(doc.Text("//PoljubnoBesedilo[3]/Besedilo/Tekst2"), std::string(59, 'x') + "\xC4\x8D");
  EXPECT_EQ(doc.Text("//PoljubnoBesedilo[3]/Besedilo/Tekst3"),
            "DOBROPIS - " + std::string(59, 'x'));
}

TEST_F(InvoiceTest, InvoiceNumberLosesItsBlanksAndFolderMayHoldSlovenianLetters) {
  SKIP_WITHOUT_XML_READER();
  std::filesystem::create_directory(dir.path() + "\xC5\xA0ola");
  settings.POTDOXMLRACUNOV = dir.path() + "\x8Aola/";
  ASSERT_TRUE(Write().ok());
  XmlDoc doc(eracuni::testing::ReadFileOrEmpty(dir.path() + "\xC5\xA0ola/racun.xml"));
  EXPECT_EQ(doc.Text("//GlavaRacuna/StevilkaRacuna"), "2026-00042");
}

TEST_F(InvoiceTest, FailureToCreateIsReturnedAndLeavesNothing) {
  header.SetText(H::VRSTARACUNA, "381");
  settings.DOBROPISBREMEPIS = 1;
  fs.FailOn("create", "racun", EACCES);
  Status s = Write();
  EXPECT_FALSE(s.ok());
  EXPECT_EQ(s.error_code(), EACCES);
  EXPECT_NE(s.message().find("racun.xml"), std::string::npos) << s.message();
  EXPECT_EQ(settings.DOBROPISBREMEPIS, 0);
  EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
}

TEST_F(InvoiceTest, FailureToWriteLeavesNoFileUnderAnyName) {
  for (int i = 0; i < 50; ++i) AddLine(i + 1);
  fs.LimitWrites("racun", 2000);
  Status s = Write();
  EXPECT_FALSE(s.ok());
  EXPECT_EQ(s.error_code(), 28);
  EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
}

}  // namespace
}  // namespace eracuni::eslog::testing
