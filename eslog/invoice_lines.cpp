// The invoice lines: one PostavkeRacuna per line record, written as the walk reads them.
#include <cstring>
#include <optional>
#include <string>

#include "eslog/invoice_sections.h"
#include "eslog/text_forms.h"
#include "workdata/fields.h"

namespace eracuni::eslog::internal {
namespace {

namespace L = workdata::eRACUNIP;
using workdata::RecordBuffer;

constexpr size_t kDescriptionBytes = 35;
constexpr size_t kCarryBytes = 32;

// The two descriptions, prepared into buffers of their own (views of them).
struct Descriptions {
  char prepared1[kPreparedSize];
  char prepared2[kCarryBytes + kPreparedSize];
  std::string_view first;
  std::optional<std::string_view> second;
};

// The first description is cut at 35 bytes, never inside a character; up to 32 bytes of
// what follows the cut carry over in front of the second description.
void SplitDescription(const RecordBuffer& line, Descriptions& d) {
  std::string_view t1(d.prepared1, Prepare(line.Text(L::OPISARTIKLA1), d.prepared1));
  size_t cut = CharBoundaryBefore(t1, kDescriptionBytes);
  d.first = t1.substr(0, cut);
  std::string_view rest = t1.substr(cut);
  std::string_view carry =
      workdata::ClipRight(rest.substr(0, CharBoundaryBefore(rest, kCarryBytes)));
  if (carry.empty() && IsBlank(line.Text(L::OPISARTIKLA2))) return;
  // The carry is prepared already; only the second description still needs it.
  std::memcpy(d.prepared2, carry.data(), carry.size());
  size_t size = carry.size() + Prepare(line.Clipped(L::OPISARTIKLA2), d.prepared2 + carry.size());
  std::string_view t2(d.prepared2, size);
  d.second = t2.substr(0, CharBoundaryBefore(t2, kDescriptionBytes));
}

void WriteAdditionalIdentification(xml::XmlWriter& xml, const RecordBuffer& line) {
  if (IsBlank(line.Text(L::STEVILKAARTIKLADODATNA))) return;
  OpenParent(xml, "DodatnaIdentifikacijaArtikla");
  xml.AddLeaf("VrstaPodatkaArtikla", "5");
  AddStored(xml, "StevilkaArtiklaDodatna", line, L::STEVILKAARTIKLADODATNA);
  xml.AddLeaf("VrstaKodeArtiklaDodatna", "SA");
  xml.CloseParent();
}

void WriteDescriptions(xml::XmlWriter& xml, const RecordBuffer& line) {
  Descriptions d;
  SplitDescription(line, d);
  OpenParent(xml, "OpisiArtiklov");
  AddStored(xml, "KodaOpisaArtikla", line, L::KODAOPISAARTIKLA);
  OpenParent(xml, "OpisArtikla");
  xml.AddLeaf("OpisArtikla1", d.first);
  if (d.second) xml.AddLeaf("OpisArtikla2", *d.second);
  xml.CloseParent();
  xml.CloseParent();
}

void WriteQuantity(xml::XmlWriter& xml, const RecordBuffer& line) {
  OpenParent(xml, "KolicinaArtikla");
  AddStored(xml, "VrstaKolicine", line, L::VRSTAKOLICINE);
  AddStored(xml, "Kolicina", line, L::KOLICINA);
  AddStored(xml, "EnotaMere", line, L::ENOTAMERE);
  xml.CloseParent();
}

void WriteLineAmount(xml::XmlWriter& xml, std::string_view kind, std::string_view amount) {
  OpenParent(xml, "ZneskiPostavke");
  xml.AddLeaf("VrstaZneskaPostavke", kind);
  xml.AddLeaf("ZnesekPostavke", amount);
  xml.CloseParent();
}

void WriteAmountsAndPrice(xml::XmlWriter& xml, const RecordBuffer& line) {
  // The net line amount always goes under 203, whatever the line's own code says.
  WriteLineAmount(xml, "203", AmountForm(line.Text(L::ZNESEKPOSTAVKE)));
  WriteLineAmount(xml, StoredText(line, L::VRSTAZNESKAPOSTAVKEVSE),
                  AmountForm(line.Text(L::ZNESEKPOSTAVKEVSE)));
  OpenParent(xml, "CenaPostavke");
  xml.AddLeaf("Cena", AmountForm(line.Text(L::CENA)));
  xml.CloseParent();
}

void WriteLineTaxAmount(xml::XmlWriter& xml, std::string_view kind, std::string_view amount) {
  OpenParent(xml, "ZneskiDavkovPostavke");
  xml.AddLeaf("VrstaZneskaDavkaPostavke", kind);
  xml.AddLeaf("Znesek", amount);
  xml.CloseParent();
}

void WriteTaxes(xml::XmlWriter& xml, const RecordBuffer& line) {
  OpenParent(xml, "DavkiPostavke");
  OpenParent(xml, "DavkiNaPostavki");
  AddStored(xml, "VrstaDavkaPostavke", line, L::VRSTADAVKAPOSTAVKE);
  xml.AddLeaf("OdstotekDavkaPostavke", PercentageText(line, L::ODSTOTEKDAVKAPOSTAVKE));
  xml.CloseParent();
  WriteLineTaxAmount(xml, StoredText(line, L::VRSTAZNESKADAVKAPOSTAVKE),
                     AmountForm(line.Text(L::ZNESEK)));
  WriteLineTaxAmount(xml, StoredText(line, L::VRSTAZNESKADAVKAPOSTAVKE1),
                     AmountForm(line.Text(L::ZNESEK1)));
  xml.CloseParent();
}

void WritePercentage(xml::XmlWriter& xml, const RecordBuffer& line) {
  if (IsZeroAmount(line.Text(L::ODSTOTEKPOSTAVKE))) return;
  OpenParent(xml, "OdstotkiPostavk");
  AddStored(xml, "Identifikator", line, L::IDENTIFIKATOR);
  AddStored(xml, "VrstaOdstotkaPostavke", line, L::VRSTAODSTOTKAPOSTAVKE);
  xml.AddLeaf("OdstotekPostavke", PercentageText(line, L::ODSTOTEKPOSTAVKE));
  AddStored(xml, "VrstaZneskaOdstotka", line, L::VRSTAZNESKAODSTOTKA);
  xml.AddLeaf("ZnesekOdstotka", AmountForm(line.Text(L::ZNESEKODSTOTKA)));
  xml.CloseParent();
}

void WriteLine(xml::XmlWriter& xml, const RecordBuffer& line) {
  OpenParent(xml, "PostavkeRacuna");
  OpenParent(xml, "Postavka");
  xml.AddLeaf("StevilkaVrstice", LineNumberForm(line.U32(L::ZAPSTEVPOST)));
  xml.CloseParent();
  WriteAdditionalIdentification(xml, line);
  WriteDescriptions(xml, line);
  WriteQuantity(xml, line);
  WriteAmountsAndPrice(xml, line);
  WriteTaxes(xml, line);
  WritePercentage(xml, line);
  xml.CloseParent();
}

}  // namespace

void WriteLines(InvoiceContext& c) {
  const RecordBuffer& line = c.files.lines().buffer();
  workdata::WalkLines(c.files, [&] {
    WriteLine(c.xml, line);
    return true;
  });
}

}  // namespace eracuni::eslog::internal
