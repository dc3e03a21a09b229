// Settings: every GLO: value of the program, in one object.
//
// The settings are process-wide: the main window and the settings window read and change
// the same object, and a change is in force at once whether or not it is saved. Texts are
// windows-1250 bytes held at most at their capacity (see kCapacity*); folder values end
// with "/" and are used as plain prefixes. BeriNastavitve and ShraniNastavitve (ini_settings.h)
// move the values between this object and the settings file.
#pragma once

#include <cstdint>
#include <string>

namespace eracuni::settings {

// Capacities in characters (the stored texts are zero-terminated, one byte more).
inline constexpr size_t kCapacityIniDatoteka = 255;
inline constexpr size_t kCapacityPotDoEracunov = 254;
inline constexpr size_t kCapacityPotDoXmlRacunov = 254;
inline constexpr size_t kCapacityPotDo7zG = 255;
inline constexpr size_t kCapacityPotEracuni = 254;
inline constexpr size_t kCapacityPotEracunip = 254;
inline constexpr size_t kCapacityPotEracpril = 255;
inline constexpr size_t kCapacityVerzijaEslog = 3;
inline constexpr size_t kCapacityDdvOprostitev0 = 254;

// The exemption reason of zero-rated lines when DDVOPROSTITEV0 is blank (windows-1250).
inline constexpr const char* kDefaultDdvOprostitev0 = "Opro\x9A\xE8" "eno pla\xE8ila DDV";

struct Settings {
  std::string INIDATOTEKA;      // name of the settings file
  std::string POTDOERACUNOV;    // folder of the three work files
  std::string POTDOXMLRACUNOV;  // output folder
  std::string POTDO7ZG;         // archiver program
  std::string POTERACUNI;       // full path of eRACUNI.TPS
  std::string POTERACUNIP;      // full path of eRACUNIP.TPS
  std::string POTERACPRIL;      // full path of eRACPRIL.TPS
  char KATERABANKA = ' ';       // channel code K M G U D Z O
  uint8_t BRISANJEDELOVNIH = 0;
  uint16_t ROCNOEPODPISOVANJE = 0;
  uint16_t PREDPONASI = 0;
  uint16_t ODDAJAUJP = 0;
  uint16_t DODAJLOKACIJOPRILOG = 0;
  uint16_t SKRITINACIN = 0;
  uint32_t VIZUALIZACIJA = 0;
  uint8_t KODA66V203 = 0;       // GLO:66V203
  uint32_t ENAKAIMENARACUNA = 0;
  uint8_t STSERVIS = 0;
  uint8_t OBDOBJERACUNA = 0;    // on only when exactly 1
  uint8_t DSVIMENURACUNA = 0;
  uint8_t OVOJNICA = 0;
  uint8_t PDF = 0;
  char ENRACENZIP = ' ';        // packaging choice of the settings window, not stored
  std::string VERZIJAESLOG;     // e-SLOG version of the documents: "1.6" or "2.0"
  char DDVKATEGORIJA0 = ' ';    // VAT category of zero-rated lines (2.0): E Z K G O
  std::string DDVOPROSTITEV0;   // exemption reason of zero-rated lines (2.0)
  // Verdict of the invoice document written last: 1 for a credit or debit note.
  uint8_t DOBROPISBREMEPIS = 0;
};

// How the e-SLOG 2.0 settings are read: only "2.0" (blanks around it ignored) selects 2.0;
// a category other than E Z K G O (blank included) acts as E; a blank reason as the default.
bool SelectsEslog20(const Settings& s);
char VatCategoryZero(const Settings& s);
std::string ExemptionReasonZero(const Settings& s);

}  // namespace eracuni::settings
