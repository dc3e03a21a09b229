#include "settings/ini_settings.h"

#include <gtest/gtest.h>

#include <functional>

#include "framework/testing/fakes.h"
#include "settings/ini_file.h"

namespace eracuni::settings {
namespace {

using eracuni::testing::FaultyFileSystem;
using eracuni::testing::ReadFileOrEmpty;
using eracuni::testing::TempDir;
using eracuni::testing::WriteFileOrDie;

class IniSettingsTest : public ::testing::Test {
 protected:
  IniSettingsTest() { settings_.INIDATOTEKA = dir_.File("RUZeZUD.INI"); }
  void WriteIni(const std::string& body) { WriteFileOrDie(ini(), "[GLOBAL]\r\n" + body); }
  const std::string& ini() const { return settings_.INIDATOTEKA; }
  std::string Stored(const char* key) {
    return ReadProfileString(files_, ini(), "GLOBAL", key, "?");
  }

  TempDir dir_;
  FaultyFileSystem files_;
  Settings settings_;
};

TEST_F(IniSettingsTest, FirstStartWritesTheTenKeys) {
  ASSERT_TRUE(BeriNastavitve(settings_, files_).ok());
  EXPECT_EQ(ReadFileOrEmpty(ini()),
            "[GLOBAL]\r\nPotDoEracunov=\r\nPotDo7zG=7za.EXE\r\neRACUNI=eRACUNI.TPS\r\n"
            "eRACUNIP=eRACUNIP.TPS\r\neRACPRIL=eRACPRIL.TPS\r\nPotDoXMLRACUNI=\r\nOvojnica=1\r\n"
            "PDF=1\r\nBanka=O\r\nBrisanjeDelPodat=1\r\n");
  const Settings& s = settings_;
  EXPECT_EQ(s.POTERACUNI, "eRACUNI.TPS");
  EXPECT_EQ(s.KATERABANKA, 'O');
  EXPECT_EQ(s.BRISANJEDELOVNIH, 1);
  EXPECT_EQ(s.PREDPONASI + s.DODAJLOKACIJOPRILOG + s.OBDOBJERACUNA, 3);
  EXPECT_EQ(s.ROCNOEPODPISOVANJE + s.ODDAJAUJP + s.SKRITINACIN + s.VIZUALIZACIJA + s.KODA66V203 +
                s.ENAKAIMENARACUNA + s.STSERVIS + s.DSVIMENURACUNA,
            0u);
}

TEST_F(IniSettingsTest, HandEditedPathsHoldUntilTheNextSave) {
  WriteIni("PotDoEracunov=/new/\r\neRACUNI=/old/eRACUNI.TPS\r\neRACUNIP=/old/eRACUNIP.TPS\r\n");
  BeriNastavitve(settings_, files_);
  EXPECT_EQ(settings_.POTERACUNI, "/old/eRACUNI.TPS");
  EXPECT_EQ(settings_.POTERACUNIP, "/old/eRACUNIP.TPS");
  EXPECT_EQ(settings_.POTERACPRIL, "/new/eRACPRIL.TPS");  // missing: from the folder
  ASSERT_TRUE(ShraniNastavitve(settings_, files_).ok());
  EXPECT_EQ(settings_.POTERACUNI, "/new/eRACUNI.TPS");
  EXPECT_EQ(Stored("eRACUNI"), "/new/eRACUNI.TPS");
  EXPECT_EQ(Stored("eRACUNIP"), "/new/eRACUNIP.TPS");
  EXPECT_EQ(Stored("eRACPRIL"), "/new/eRACPRIL.TPS");
}

TEST_F(IniSettingsTest, SaveWritesEverySavedKeyInOrder) {
  settings_.POTDOERACUNOV = "/w  ";  // trailing blanks go; a missing separator stays missing
  settings_.POTDOXMLRACUNOV = "/x/Ra\xE8uni/";
  settings_.POTDO7ZG = "7za.EXE";
  settings_.KATERABANKA = 'K';
  settings_.VIZUALIZACIJA = 2;
  settings_.OBDOBJERACUNA = 1;
  settings_.OVOJNICA = 1;
  settings_.VERZIJAESLOG = "2.0";
  settings_.DDVKATEGORIJA0 = 'Z';
  settings_.DDVOPROSTITEV0 = "Ni predmet DDV  ";
  ASSERT_TRUE(ShraniNastavitve(settings_, files_).ok());
  EXPECT_EQ(ReadFileOrEmpty(ini()),
            "[GLOBAL]\r\nPotDoEracunov=/w\r\nPotDoXMLRACUNI=/x/Ra\xE8uni/\r\nPotDo7zG=7za.EXE\r\n"
            "eRACUNI=/weRACUNI.TPS\r\neRACUNIP=/weRACUNIP.TPS\r\neRACPRIL=/weRACPRIL.TPS\r\n"
            "Banka=K\r\nBrisanjeDelPodat=0\r\nePodpis=0\r\nPredponaSI=0\r\nUJP=0\r\n"
            "LokacijePrilog=0\r\nSkritiNacin=0\r\nVizualizacija=2\r\nKoda66v203=0\r\n"
            "EnakaImenaRacuna=0\r\nStudentskiServis=0\r\nObdobjeRacuna=1\r\nDSvimenuRacuna=0\r\n"
            "VerzijaESLOG=2.0\r\nDDVKategorija0=Z\r\nDDVOprostitev0=Ni predmet DDV\r\n");
}

TEST_F(IniSettingsTest, Eslog20KeysAreReadWithTheirDefaultsAndActAsTheyRead) {
  BeriNastavitve(settings_, files_);
  EXPECT_EQ(settings_.VERZIJAESLOG, "1.6");
  EXPECT_EQ(settings_.DDVKATEGORIJA0, 'E');
  EXPECT_EQ(settings_.DDVOPROSTITEV0, kDefaultDdvOprostitev0);
  EXPECT_FALSE(SelectsEslog20(settings_));

  struct Case {
    const char* ini;
    bool eslog20;
    char category;
    std::string reason;
  } cases[] = {
      {"VerzijaESLOG= 2.0 \r\nDDVKategorija0=K\r\nDDVOprostitev0=Izvoz\r\n", true, 'K', "Izvoz"},
      {"VerzijaESLOG=2\r\nDDVKategorija0=z\r\nDDVOprostitev0=  \r\n", false, 'E',
       kDefaultDdvOprostitev0},
      {"VerzijaESLOG=\r\nDDVKategorija0=\r\n", false, 'E', kDefaultDdvOprostitev0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.ini);
    Settings s;
    s.INIDATOTEKA = ini();
    WriteIni(c.ini);
    BeriNastavitve(s, files_);
    EXPECT_EQ(SelectsEslog20(s), c.eslog20);
    EXPECT_EQ(VatCategoryZero(s), c.category);
    EXPECT_EQ(ExemptionReasonZero(s), c.reason);
  }
}

TEST_F(IniSettingsTest, NumbersKeepTheirLowOrderBits) {
  using Get = std::function<uint32_t(const Settings&)>;
  const Get podpis = [](const Settings& s) { return s.ROCNOEPODPISOVANJE; };
  const Get koda = [](const Settings& s) { return s.KODA66V203; };
  const Get skrit = [](const Settings& s) { return s.SKRITINACIN; };
  const Get viz = [](const Settings& s) { return s.VIZUALIZACIJA; };
  const Get obdobje = [](const Settings& s) { return s.OBDOBJERACUNA; };
  const Get predpona = [](const Settings& s) { return s.PREDPONASI; };
  struct Case {
    const char* key;
    const char* text;
    uint32_t expected;
    Get get;
  } cases[] = {
      {"ePodpis", "65537", 1, podpis},
      {"Koda66v203", "256", 0, koda},
      {"Koda66v203", "-1", 255, koda},
      {"SkritiNacin", "-1", 65535, skrit},
      {"Vizualizacija", "-1", 4294967295u, viz},
      {"Vizualizacija", "4294967295", 4294967295u, viz},
      {"Vizualizacija", "4294967296", 0, viz},
      {"Vizualizacija", "-2147483648", 2147483648u, viz},
      {"Vizualizacija", "2", 2, viz},
      {"ObdobjeRacuna", "2", 2, obdobje},
      {"ePodpis", "abc", 0, podpis},
      {"ePodpis", "1x", 0, podpis},
      {"ePodpis", " +7 ", 7, podpis},
      {"ePodpis", "\"1\"", 1, podpis},
      {"PredponaSI", "", 0, predpona},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.key) + "=" + c.text);
    Settings s;
    s.INIDATOTEKA = ini();
    WriteIni(std::string(c.key) + "=" + c.text + "\r\n");
    BeriNastavitve(s, files_);
    EXPECT_EQ(c.get(s), c.expected);
  }
}

TEST_F(IniSettingsTest, WriteBackAtLoadUsesTheValueInMemory) {
  WriteIni(std::string("Ovojnica=300\r\nBanka=Kxyz\r\nPotDoEracunov=") + std::string(300, 'a') +
           "\r\n");
  BeriNastavitve(settings_, files_);
  EXPECT_EQ(settings_.OVOJNICA, 44);
  EXPECT_EQ(Stored("Ovojnica"), "44");
  EXPECT_EQ(settings_.KATERABANKA, 'K');
  EXPECT_EQ(Stored("Banka"), "K");
  EXPECT_EQ(settings_.POTDOERACUNOV, std::string(kCapacityPotDoEracunov, 'a'));
  EXPECT_EQ(Stored("PotDoEracunov"), settings_.POTDOERACUNOV);
  EXPECT_EQ(settings_.POTERACUNI, std::string(kCapacityPotEracuni, 'a'));  // joined, then cut
}

TEST_F(IniSettingsTest, UnwritableFileLeavesTheValuesInMemory) {
  files_.FailOn("create", "RUZeZUD", 13);
  EXPECT_TRUE(BeriNastavitve(settings_, files_).Is(Status::Code::kAccessDenied));
  EXPECT_FALSE(files_.Exists(ini()));
  EXPECT_EQ(settings_.POTDO7ZG, "7za.EXE");
  EXPECT_EQ(settings_.OVOJNICA, 1);
  EXPECT_EQ(settings_.BRISANJEDELOVNIH, 0);  // the second read's default wins
  EXPECT_TRUE(ShraniNastavitve(settings_, files_).Is(Status::Code::kAccessDenied));

  WriteIni("BrisanjeDelPodat=1\r\n");
  BeriNastavitve(settings_, files_);
  EXPECT_EQ(settings_.BRISANJEDELOVNIH, 1);
}

// The README's key table is what users edit the file by: every key the program reads is there.
TEST(SettingKeysTest, TheReadmeListsEveryKey) {
  const std::string readme = ReadFileOrEmpty(std::string(ERACUNI_SOURCE_DIR) + "/README.md");
  std::string rows;  // the table rows
  for (size_t at = 0, end; at < readme.size(); at = end + 1) {
    end = std::min(readme.find('\n', at), readme.size());
    if (readme.compare(at, 2, "| ") == 0) rows += readme.substr(at, end - at) + "\n";
  }
  for (const SettingKey& k : SettingKeys())
    EXPECT_NE(rows.find("`" + std::string(k.key) + "`"), std::string::npos) << k.key;
}

}  // namespace
}  // namespace eracuni::settings
