#include "bench/workload.h"

#include <array>
#include <cerrno>
#include <cstdlib>
#include <cstdio>
#include <filesystem>
#include <string_view>
#include <utility>
#include <vector>

#include "framework/cp1250.h"
#include "workdata/fields.h"
#include "workdata/record_buffer.h"
#include "workdata/tps/tps_store.h"

namespace eracuni::bench {
namespace {

namespace H = workdata::eRACUNI;
namespace L = workdata::eRACUNIP;
namespace A = workdata::eRACPRIL;
using workdata::Field;
using workdata::RecordBuffer;

// Texts are windows-1250: \xC8 Č, \xE8 č, \x8A Š, \x9A š, \x8E Ž, \x9E ž.
constexpr std::array<std::string_view, 8> kBuyers = {
    "Mizarstvo \x8E" "agar d.o.o.",   "\xC8" "ebelarstvo Kova\xE8 s.p.",
    "Gradbeni\x9Atvo Pe\xE8nik d.d.", "Vrtnarija \x8Akofja Loka",
    "Kmetija Jure\xE8 Ko\x9E" "elj",     "Tiskarna \x8Ali\x9Ek d.o.o.",
    "Zdravstveni dom \x8E" "alec",    "Avtoprevozni\x9Atvo Hro\x9A" "\xE8",
};
constexpr std::array<std::string_view, 6> kTowns = {
    "Ljubljana", "Maribor", "\x8Akofja Loka", "Kranj", "Novo mesto", "Mur\x9Aka Sobota",
};
constexpr std::array<std::string_view, 10> kArticles = {
    "Hrastova deska 25 mm",        "Ro\xE8na \x9E" "aga za les",
    "Vija\xE8" "ni komplet \xC8RN", "Barva za zunanje povr\x9Aine",
    "Storitev monta\x9E" "e",          "Prevoz blaga \x8Atajerska",
    "Vzdr\x9E" "evanje strojev",    "Lu\xE8" "ka LED 12 W",
    "Tesnilo za okna \x8E" "AR",     "Ura\xE8unana ura dela",
};
constexpr std::array<std::string_view, 3> kRates = {"22.00", "9.50", "0.00"};

std::string Money(uint64_t cents) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%llu.%02llu", static_cast<unsigned long long>(cents / 100),
                static_cast<unsigned long long>(cents % 100));
  return buf;
}

std::string Number(uint32_t ident) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "2026-%06u", ident);
  return buf;
}

// The amounts of one line: quantity (in units) and price (in cents) vary with both numbers.
struct LineAmounts {
  uint32_t quantity;
  uint64_t price;
  std::string_view rate;
  uint64_t net() const { return quantity * price; }
  uint64_t tax() const {
    uint64_t basis_points = rate == "22.00" ? 2200 : rate == "9.50" ? 950 : 0;
    return (net() * basis_points + 5000) / 10000;
  }
};

LineAmounts AmountsOf(uint32_t ident, uint32_t line) {
  return {1 + (ident + line) % 9, 250 + ((ident * 31 + line * 17) % 9000) * 5,
          kRates[(ident + line) % kRates.size()]};
}

struct Totals {
  uint64_t net[3] = {0, 0, 0};
  uint64_t tax[3] = {0, 0, 0};
};

Totals TotalsOf(uint32_t ident, uint32_t lines) {
  Totals t;
  for (uint32_t n = 1; n <= lines; ++n) {
    LineAmounts a = AmountsOf(ident, n);
    size_t k = a.rate == "22.00" ? 0 : a.rate == "9.50" ? 1 : 2;
    t.net[k] += a.net();
    t.tax[k] += a.tax();
  }
  return t;
}

void Set(RecordBuffer& r, std::initializer_list<std::pair<Field, std::string>> values) {
  for (const auto& [field, value] : values) r.SetText(field, value);
}

void FillHeaderHead(RecordBuffer& h, uint32_t ident) {
  Set(h, {{H::VRSTARACUNA, "380"},
          {H::STEVILKARACUNA, Number(ident)},
          {H::FUNKCIJARACUNA, "9"},
          {H::VRSTABESEDILANASL, "AAI"},
          {H::TEKST1NASL, "Ra\xE8un za storitve - november 2026"},
          {H::VRSTAVALUTERACUNA, "2"},
          {H::KODAVALUTE, "EUR"},
          {H::VRSTADATUMA, "137"},
          {H::DATUMRACUNA, "2026-11-30T00:00:00"},
          {H::VRSTADATUMASTO, "35"},
          {H::DATUMRACUNASTORITVE, "2026-11-30T00:00:00"},
          {H::VRSTALOKACIJE, "91"},
          {H::NAZIVLOKACIJE, "\x8Akofja Loka"},
          {H::VRSTAPOGOJA, "3"},
          {H::VRSTADATUMAPLACILNEGAROKA, "13"},
          {H::DATUMPLACILA, "2026-12-31T00:00:00"},
          {H::TEKST1GL, "FAKTURIST"},
          {H::TEKST2GL, "Ana Novak"},
          {H::TEKST1NP, "Nakazilo na TRR"}});
}

void FillHeaderParties(RecordBuffer& h, uint32_t ident) {
  std::string buyer_tax = "SI" + std::to_string(10000000 + ident % 89999999);
  Set(h, {{H::VRSTAPARTNERJA, "II"},
          {H::NAZIVPARTNERJA1, "\xC8" "ebelarstvo \x8Eu\x9E" "emberk d.o.o."},
          {H::ULICA1, "Tr\x9E" "a\x9Aka cesta 12"},
          {H::KRAJ, "\x8Akofja Loka"},
          {H::NAZIVDRZAVE, "Slovenija"},
          {H::POSTNASTEVILKA, "4220"},
          {H::KODADRZAVE, "SI"},
          {H::STEVILKABANCNEGARACUNA, "SI56101000000000001"},
          {H::NAZIVBANKE1, "Banka Intesa Sanpaolo d.d."},
          {H::NAZIVBANKE2, "BAKOSI2X"},
          {H::VRSTAPODATKAPODJETJA, "VA"},
          {H::PODATEKPODJETJA, "SI12345678"},
          {H::IMEOSEBE, "Janez Kova\xE8"},
          {H::VRSTAPARTNERJABY, "BY"},
          {H::NAZIVPARTNERJA1BY, std::string(kBuyers[ident % kBuyers.size()])},
          {H::ULICA1BY, "Cesta " + std::to_string(ident % 200 + 1)},
          {H::KRAJBY, std::string(kTowns[ident % kTowns.size()])},
          {H::NAZIVDRZAVEBY, "Slovenija"},
          {H::POSTNASTEVILKABY, std::to_string(1000 + ident % 9000)},
          {H::KODADRZAVEBY, "SI"},
          {H::STEVILKABANCNEGARACUNABY, "SI5602" + std::to_string(1000000000000ULL + ident)},
          {H::NAZIVBANKE1BY, "NLB d.d."},
          {H::NAZIVBANKE2BY, "LJBASI2X"},
          {H::VRSTAPODATKAPODJETJABY1, "VA"},
          {H::PODATEKPODJETJABY1, buyer_tax},
          {H::VRSTADOKUMENTA, "ON"},
          {H::STEVILKADOKUMENTA, "NAR-2026/" + std::to_string(ident)},
          {H::DATUMDOKUMENTA, "2026-11-02T00:00:00"}});
}

void FillHeaderAmounts(RecordBuffer& h, uint32_t ident, uint32_t lines) {
  Totals t = TotalsOf(ident, lines);
  uint64_t net = t.net[0] + t.net[1] + t.net[2], tax = t.tax[0] + t.tax[1] + t.tax[2];
  Set(h, {{H::VRSTAZNESKA1, "79"},          {H::ZNESEKRACUNA1, Money(net)},
          {H::VRSTAZNESKA3, "125"},         {H::ZNESEKRACUNA3, Money(net)},
          {H::VRSTAZNESKA4, "176"},         {H::ZNESEKRACUNA4, Money(tax)},
          {H::VRSTAZNESKA5, "86"},          {H::ZNESEKRACUNA5, Money(net + tax)},
          {H::VRSTAZNESKASKUPAJ, "9"},      {H::ZNESEKRACUNASKUPAJ, Money(net + tax)},
          {H::SKLICPLACILASKUPAJ, "PQ"},
          {H::STEVILKASKLICASKUPAJ, "SI00 2026-" + std::to_string(ident)},
          {H::VRSTADAVKA20, "VAT"},         {H::ODSTOTEKDAVKA20, "22.00"},
          {H::VRSTAZNESKADAVKAOSNOVA20, "125"}, {H::ZNESEKDAVKAOSNOVA20, Money(t.net[0])},
          {H::VRSTAZNESKADAVKAZNESEK20, "124"}, {H::ZNESEKDAVKAZNESEK20, Money(t.tax[0])},
          {H::VRSTADAVKA8_5, "VAT"},        {H::ODSTOTEKDAVKA8_5, "9.50"},
          {H::VRSTAZNESKADAVKAOSNOVA8_5, "125"}, {H::ZNESEKDAVKAOSNOVA8_5, Money(t.net[1])},
          {H::VRSTAZNESKADAVKAZNESEK8_5, "124"}, {H::ZNESEKDAVKAZNESEK8_5, Money(t.tax[1])},
          {H::VRSTADAVKA0, "VAT"},          {H::ODSTOTEKDAVKA0, "0.00"},
          {H::VRSTAZNESKADAVKAOSNOVA0, "125"}, {H::ZNESEKDAVKAOSNOVA0, Money(t.net[2])},
          {H::VRSTAZNESKADAVKAZNESEK0, "124"}, {H::ZNESEKDAVKAZNESEK0, "0.00"}});
}

std::string PdfName(uint32_t ident) { return "Racun_" + Number(ident) + ".pdf"; }
constexpr std::string_view kConditionsName = "Splo\x9Ani_pogoji.pdf";

// Plain stdio: generated attachments need no durability, and 20,000 of them must be quick.
Status WriteAll(const std::string& path, std::string_view bytes) {
  std::FILE* out = std::fopen(path.c_str(), "wb");
  if (!out) return Status::IoError("cannot create " + path, errno);
  size_t written = std::fwrite(bytes.data(), 1, bytes.size(), out);
  if (std::fclose(out) != 0 || written != bytes.size())
    return Status::IoError("cannot write " + path, errno);
  return Status::Ok();
}

std::string PdfBytes(uint32_t ident) {
  std::string pdf = "%PDF-1.4\n% " + Number(ident) + "\n";
  pdf.resize(2048 + ident % 512, ' ');
  return pdf + "\n%%EOF\n";
}

Status MakeFolder(FileSystem& fs, const std::string& path) {
  if (fs.IsDirectory(path)) return Status::Ok();
  // The platform's file system has no folder creation; the data set is made once.
  std::error_code error;
  std::filesystem::create_directories(path, error);
  if (error) return Status::IoError("cannot create " + path + ": " + error.message());
  return Status::Ok();
}

Status WriteAttachmentFiles(const DataSet& set, const Shape& shape) {
  std::string folder = Cp1250ToUtf8(set.attachments());
  if (Status s = WriteAll(folder + Cp1250ToUtf8(kConditionsName), PdfBytes(0)); !s.ok())
    return s;
  for (uint32_t ident = 1; ident <= shape.invoices; ++ident)
    if (Status s = WriteAll(folder + PdfName(ident), PdfBytes(ident)); !s.ok()) return s;
  return Status::Ok();
}

}  // namespace

std::string InvoiceFileName(uint32_t ident) { return Number(ident) + ".XML"; }

std::string HeaderRecord(uint32_t ident, uint32_t lines) {
  RecordBuffer h(workdata::HeaderLayout());
  h.SetU32(H::IDENTRACUN, ident);
  FillHeaderHead(h, ident);
  FillHeaderParties(h, ident);
  FillHeaderAmounts(h, ident, lines);
  return std::string(h.bytes());
}

std::string LineRecord(uint32_t ident, uint32_t line_number) {
  RecordBuffer l(workdata::LineLayout());
  LineAmounts a = AmountsOf(ident, line_number);
  l.SetU32(L::IDENTRACUN, ident);
  l.SetU32(L::ZAPSTEVPOST, line_number);
  Set(l, {{L::KODAOPISAARTIKLA, "F"},
          {L::STEVILKAARTIKLADODATNA, std::to_string(3830000000000ULL + line_number)},
          {L::OPISARTIKLA1, std::string(kArticles[(ident + line_number) % kArticles.size()])},
          {L::OPISARTIKLA2, "Serija " + std::to_string(ident % 97) + "/" + std::to_string(line_number)},
          {L::VRSTAKOLICINE, "47"},
          {L::KOLICINA, std::to_string(a.quantity) + ".000"},
          {L::ENOTAMERE, "PCE"},
          {L::VRSTAZNESKAPOSTAVKE, "203"},
          {L::ZNESEKPOSTAVKE, Money(a.net())},
          {L::VRSTAZNESKAPOSTAVKEVSE, "38"},
          {L::ZNESEKPOSTAVKEVSE, Money(a.net() + a.tax())},
          {L::CENA, Money(a.price)},
          {L::VRSTADAVKAPOSTAVKE, "VAT"},
          {L::ODSTOTEKDAVKAPOSTAVKE, std::string(a.rate)},
          {L::VRSTAZNESKADAVKAPOSTAVKE, "125"},
          {L::ZNESEK, Money(a.net())},
          {L::VRSTAZNESKADAVKAPOSTAVKE1, "124"},
          {L::ZNESEK1, Money(a.tax())}});
  return std::string(l.bytes());
}

std::string AttachmentRecord(uint32_t ident, uint16_t seq, const DataSet& set) {
  RecordBuffer r(workdata::AttachmentLayout());
  r.SetU32(A::IDENTRACUN, ident);
  r.SetU16(A::ZAPSTEV, seq);
  if (seq == 1) {
    Set(r, {{A::IMEPRILOGE, InvoiceFileName(ident)}, {A::POTDOPRILOGE, set.output()},
            {A::FORMATPRILOGE, "XML"}, {A::OPISPRILOGE, "e-SLOG ra\xE8un"}});
  } else if (seq == 2) {
    Set(r, {{A::IMEPRILOGE, PdfName(ident)}, {A::POTDOPRILOGE, set.attachments()},
            {A::FORMATPRILOGE, "PDF"}, {A::OPISPRILOGE, "Ra\xE8un v PDF obliki"}});
  } else {
    Set(r, {{A::IMEPRILOGE, std::string(kConditionsName)}, {A::POTDOPRILOGE, set.attachments()},
            {A::FORMATPRILOGE, "PDF"}, {A::OPISPRILOGE, "Splo\x9Ani pogoji poslovanja"}});
  }
  return std::string(r.bytes());
}

Status Generate(FileSystem& fs, const DataSet& set, const Shape& shape) {
  for (const std::string& folder : {set.work(), set.attachments(), set.output()})
    if (Status s = MakeFolder(fs, Cp1250ToUtf8(folder)); !s.ok()) return s;
  std::vector<std::string> records;
  records.reserve(shape.invoices);
  for (uint32_t ident = 1; ident <= shape.invoices; ++ident) records.push_back(HeaderRecord(ident, shape.lines_per_invoice));
  std::string work = Cp1250ToUtf8(set.work());
  if (Status s = tps::WriteTable(fs, work + "eRACUNI.TPS", workdata::HeaderLayout(), records);
      !s.ok())
    return s;
  records.clear();
  records.reserve(size_t{shape.invoices} * shape.lines_per_invoice);
  for (uint32_t ident = 1; ident <= shape.invoices; ++ident)
    for (uint32_t n = 1; n <= shape.lines_per_invoice; ++n) records.push_back(LineRecord(ident, n));
  if (Status s = tps::WriteTable(fs, work + "eRACUNIP.TPS", workdata::LineLayout(), records);
      !s.ok())
    return s;
  records.clear();
  for (uint32_t ident = 1; ident <= shape.invoices; ++ident)
    for (uint16_t seq = 1; seq <= shape.attachments_per_invoice; ++seq)
      records.push_back(AttachmentRecord(ident, seq, set));
  if (Status s = tps::WriteTable(fs, work + "eRACPRIL.TPS", workdata::AttachmentLayout(), records);
      !s.ok())
    return s;
  records = {};
  return WriteAttachmentFiles(set, shape);
}

settings::Settings SettingsFor(const DataSet& set) {
  settings::Settings s;
  s.INIDATOTEKA = "RUZeZUD.INI";
  s.POTDOERACUNOV = set.work();
  s.POTDOXMLRACUNOV = set.output();
  s.POTDO7ZG = "7za.EXE";
  s.POTERACUNI = set.work() + "eRACUNI.TPS";
  s.POTERACUNIP = set.work() + "eRACUNIP.TPS";
  s.POTERACPRIL = set.work() + "eRACPRIL.TPS";
  if (const char* version = std::getenv("ERACUNI_BENCH_ESLOG")) s.VERZIJAESLOG = version;
  return s;
}

}  // namespace eracuni::bench
