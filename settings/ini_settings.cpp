#include "settings/ini_settings.h"

#include <type_traits>

#include "settings/ini_file.h"

namespace eracuni::settings {

namespace {

constexpr std::string_view kOldSection = "Global";  // same section, other spelling

constexpr SettingKey kKeys[] = {
    {"PotDoEracunov", kSection, &Settings::POTDOERACUNOV, "", false, true, kCapacityPotDoEracunov},
    {"PotDo7zG", kSection, &Settings::POTDO7ZG, "7za.EXE", false, true, kCapacityPotDo7zG},
    {"eRACUNI", kSection, &Settings::POTERACUNI, "eRACUNI.TPS", true, true, kCapacityPotEracuni},
    {"eRACUNIP", kSection, &Settings::POTERACUNIP, "eRACUNIP.TPS", true, true,
     kCapacityPotEracunip},
    {"eRACPRIL", kSection, &Settings::POTERACPRIL, "eRACPRIL.TPS", true, true,
     kCapacityPotEracpril},
    {"PotDoXMLRACUNI", kSection, &Settings::POTDOXMLRACUNOV, "", false, true,
     kCapacityPotDoXmlRacunov},
    {"Ovojnica", kOldSection, &Settings::OVOJNICA, "1", false, true, 0},
    {"PDF", kOldSection, &Settings::PDF, "1", false, true, 0},
    {"Banka", kSection, &Settings::KATERABANKA, "O", false, true, 1},
    {"BrisanjeDelPodat", kSection, &Settings::BRISANJEDELOVNIH, "1", false, true, 0},
    {"ePodpis", kSection, &Settings::ROCNOEPODPISOVANJE, "0", false, false, 0},
    {"PredponaSI", kSection, &Settings::PREDPONASI, "1", false, false, 0},
    {"UJP", kSection, &Settings::ODDAJAUJP, "0", false, false, 0},
    // Read again with another default: only an unwritable file lets the two reads differ.
    {"BrisanjeDelPodat", kSection, &Settings::BRISANJEDELOVNIH, "0", false, false, 0},
    {"SkritiNacin", kSection, &Settings::SKRITINACIN, "0", false, false, 0},
    {"LokacijePrilog", kSection, &Settings::DODAJLOKACIJOPRILOG, "1", false, false, 0},
    {"Vizualizacija", kSection, &Settings::VIZUALIZACIJA, "0", false, false, 0},
    {"Koda66v203", kSection, &Settings::KODA66V203, "0", false, false, 0},
    {"EnakaImenaRacuna", kSection, &Settings::ENAKAIMENARACUNA, "0", false, false, 0},
    {"StudentskiServis", kSection, &Settings::STSERVIS, "0", false, false, 0},
    {"ObdobjeRacuna", kSection, &Settings::OBDOBJERACUNA, "1", false, false, 0},
    {"DSvimenuRacuna", kSection, &Settings::DSVIMENURACUNA, "0", false, false, 0},
    // The e-SLOG 2.0 keys: read after the others and never written back at load, so a first
    // start still leaves exactly the ten keys above in the file.
    {"VerzijaESLOG", kSection, &Settings::VERZIJAESLOG, "1.6", false, false,
     kCapacityVerzijaEslog},
    {"DDVKategorija0", kSection, &Settings::DDVKATEGORIJA0, "E", false, false, 1},
    {"DDVOprostitev0", kSection, &Settings::DDVOPROSTITEV0, kDefaultDdvOprostitev0, false, false,
     kCapacityDdvOprostitev0},
};

// Keys in the order ShraniNastavitve writes them; the work-file paths are rebuilt first.
constexpr std::string_view kSaveOrder[] = {
    "PotDoEracunov",    "PotDoXMLRACUNI", "PotDo7zG",      "eRACUNI",
    "eRACUNIP",         "eRACPRIL",       "Banka",         "BrisanjeDelPodat",
    "ePodpis",          "PredponaSI",     "UJP",           "LokacijePrilog",
    "SkritiNacin",      "Vizualizacija",  "Koda66v203",    "EnakaImenaRacuna",
    "StudentskiServis", "ObdobjeRacuna",  "DSvimenuRacuna", "VerzijaESLOG",
    "DDVKategorija0",   "DDVOprostitev0"};

std::string_view ClipRight(std::string_view s) {
  size_t end = s.find_last_not_of(' ');
  return end == std::string_view::npos ? std::string_view() : s.substr(0, end + 1);
}

std::string WorkFolderFile(const Settings& settings, std::string_view file_name) {
  return std::string(ClipRight(settings.POTDOERACUNOV)) + std::string(file_name);
}

void Store(Settings& settings, const SettingKey& key, const std::string& text) {
  std::visit(
      [&](auto member) {
        auto& var = settings.*member;
        using T = std::remove_reference_t<decltype(var)>;
        if constexpr (std::is_same_v<T, std::string>) {
          var = text.substr(0, key.capacity);
        } else if constexpr (std::is_same_v<T, char>) {
          var = text.empty() ? ' ' : text[0];
        } else {
          var = static_cast<T>(SettingNumber(text));  // keeps the low-order bits
        }
      },
      key.member);
}

// The file's form of a member: a text without trailing blanks, a number in decimal.
std::string TextOf(const Settings& settings, const SettingKey& key) {
  return std::visit(
      [&](auto member) -> std::string {
        const auto& var = settings.*member;
        using T = std::remove_cvref_t<decltype(var)>;
        if constexpr (std::is_same_v<T, std::string>) {
          return std::string(ClipRight(var));
        } else if constexpr (std::is_same_v<T, char>) {
          return (var == ' ' || var == '\0') ? std::string() : std::string(1, var);
        } else {
          return std::to_string(var);
        }
      },
      key.member);
}

const SettingKey& KeyNamed(std::string_view name) {
  for (const SettingKey& k : kKeys)
    if (k.key == name) return k;
  return kKeys[0];  // unreachable: every saved name is in the table
}

void KeepFirstFailure(Status& first, Status s) {
  if (first.ok() && !s.ok()) first = std::move(s);
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view Trimmed(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

}  // namespace

bool SelectsEslog20(const Settings& s) { return Trimmed(s.VERZIJAESLOG) == "2.0"; }

char VatCategoryZero(const Settings& s) {
  constexpr std::string_view kCategories = "EZKGO";
  char c = s.DDVKATEGORIJA0;
  return c != '\0' && kCategories.find(c) != std::string_view::npos ? c : 'E';
}

std::string ExemptionReasonZero(const Settings& s) {
  std::string_view text = Trimmed(s.DDVOPROSTITEV0);
  return std::string(text.empty() ? std::string_view(kDefaultDdvOprostitev0) : text);
}

std::span<const SettingKey> SettingKeys() { return kKeys; }

uint32_t SettingNumber(std::string_view text) {
  text = Trimmed(text);
  bool negative = false;
  if (!text.empty() && (text[0] == '+' || text[0] == '-')) {
    negative = text[0] == '-';
    text.remove_prefix(1);
  }
  if (text.empty()) return 0;
  const uint64_t limit = negative ? 0x80000000ull : 0xFFFFFFFFull;
  uint64_t magnitude = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return 0;
    magnitude = magnitude * 10 + static_cast<uint64_t>(c - '0');
    if (magnitude > limit) return 0;
  }
  return static_cast<uint32_t>(negative ? (0x100000000ull - magnitude) : magnitude);
}

Status BeriNastavitve(Settings& settings, FileSystem& files) {
  Status first;
  for (const SettingKey& key : kKeys) {
    std::string fallback = key.in_work_folder ? WorkFolderFile(settings, key.default_value)
                                              : std::string(key.default_value);
    Store(settings, key,
          ReadProfileString(files, settings.INIDATOTEKA, key.section, key.key, fallback));
    if (key.written_back_at_load) {
      KeepFirstFailure(first, WriteProfileString(files, settings.INIDATOTEKA, key.section, key.key,
                                                 TextOf(settings, key)));
    }
  }
  return first;
}

Status ShraniNastavitve(Settings& settings, FileSystem& files) {
  for (const SettingKey& key : kKeys)
    if (key.in_work_folder) Store(settings, key, WorkFolderFile(settings, key.default_value));
  Status first;
  for (std::string_view name : kSaveOrder) {
    const SettingKey& key = KeyNamed(name);
    KeepFirstFailure(first, WriteProfileString(files, settings.INIDATOTEKA, kSection, key.key,
                                               TextOf(settings, key)));
  }
  return first;
}

}  // namespace eracuni::settings
