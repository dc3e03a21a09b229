// The head of the invoice: GlavaRacuna, the leading text blocks, dates, currency, place of
// issue and payment terms.
#include <string>

#include "eslog/invoice_sections.h"
#include "eslog/text_forms.h"
#include "workdata/fields.h"

namespace eracuni::eslog::internal {
namespace {

namespace H = workdata::eRACUNI;

// Invoice types whose head text names the kind of document in its third line.
struct TypeRule {
  std::string_view type;
  std::string_view prefix;
  bool credit_or_debit;
};
constexpr TypeRule kTypeRules[] = {
    {"381", "DOBROPIS - ", true},
    {"385", "BREMEPIS - ", true},
    {"325", "PREDRACUN - ", false},
};

const TypeRule* FindTypeRule(std::string_view type) {
  for (const TypeRule& rule : kTypeRules)
    if (rule.type == type) return &rule;
  return nullptr;
}

void WriteGlavaRacuna(InvoiceContext& c) {
  const auto& h = c.header;
  OpenParent(c.xml, "GlavaRacuna");
  AddStored(c.xml, "VrstaRacuna", h, H::VRSTARACUNA);
  c.xml.AddLeaf("StevilkaRacuna", TrimmedForm(h.Text(H::STEVILKARACUNA)));
  AddStored(c.xml, "FunkcijaRacuna", h, H::FUNKCIJARACUNA);
  AddStored(c.xml, "NacinPlacila", h, H::TEKST2NP);
  AddStored(c.xml, "KodaNamena", h, H::TEKST2NASL);
  c.xml.CloseParent();
}

// The third line of the head text; the full title is in the second line as well, so the
// cut to the schema's length loses nothing.
std::string HeadTextLine3(InvoiceContext& c) {
  const TypeRule* rule = FindTypeRule(c.header.Clipped(H::VRSTARACUNA));
  if (rule == nullptr) return PreparedField(c.header, H::TEKST2NASL, kTextLength);
  if (rule->credit_or_debit) c.settings.DOBROPISBREMEPIS = 1;
  std::string text(rule->prefix);
  text += PreparedText(c.header.Text(H::TEKST1NASL));
  return CutToChars(text, kTextLength);
}

void WriteLeadingTexts(InvoiceContext& c) {
  const auto& h = c.header;
  AddTextBlock(c.xml, "AAI",
               {"PRIROCNIK_ESLOG_1_6",
                Prepared("Ra\xE8un je izdelan skladno z dolo\xE8ili eSLOG 1.6", kTextLength)});
  std::string kind = Unchanged(h, H::VRSTABESEDILANASL);
  std::string title = PreparedField(h, H::TEKST1NASL, kTextLength);
  AddTextBlock(c.xml, kind, {"NASLOV_RACUNA", title});
  AddTextBlock(c.xml, kind, {"GLAVA_TEKST", title, HeadTextLine3(c)});
}

void AddDate(InvoiceContext& c, workdata::Field kind, workdata::Field date) {
  OpenParent(c.xml, "DatumiRacuna");
  AddStored(c.xml, "VrstaDatuma", c.header, kind);
  AddStored(c.xml, "DatumRacuna", c.header, date);
  c.xml.CloseParent();
}

void WriteDates(InvoiceContext& c) {
  AddDate(c, H::VRSTADATUMA, H::DATUMRACUNA);
  if (c.settings.OBDOBJERACUNA == 1) {
    AddDate(c, H::VRSTADATUMAOD, H::DATUMRACUNAOBDOBJEOD);
    AddDate(c, H::VRSTADATUMADO, H::DATUMRACUNAOBDOBJEDO);
  }
  AddDate(c, H::VRSTADATUMASTO, H::DATUMRACUNASTORITVE);
}

void WriteCurrencyAndPlace(InvoiceContext& c) {
  const auto& h = c.header;
  OpenParent(c.xml, "Valuta");
  AddStored(c.xml, "VrstaValuteRacuna", h, H::VRSTAVALUTERACUNA);
  AddStored(c.xml, "KodaValute", h, H::KODAVALUTE);
  c.xml.CloseParent();
  OpenParent(c.xml, "Lokacije");
  AddStored(c.xml, "VrstaLokacije", h, H::VRSTALOKACIJE);
  c.xml.AddLeaf("NazivLokacije", PreparedField(h, H::NAZIVLOKACIJE, kTextLength));
  c.xml.CloseParent();
}

void WritePaymentTerms(InvoiceContext& c) {
  const auto& h = c.header;
  OpenParent(c.xml, "PlacilniPogoji");
  OpenParent(c.xml, "PodatkiORokih");
  AddStored(c.xml, "VrstaPogoja", h, H::VRSTAPOGOJA);
  c.xml.CloseParent();
  OpenParent(c.xml, "PlacilniRoki");
  AddStored(c.xml, "VrstaDatumaPlacilnegaRoka", h, H::VRSTADATUMAPLACILNEGAROKA);
  AddStored(c.xml, "Datum", h, H::DATUMPLACILA);
  c.xml.CloseParent();
  c.xml.CloseParent();
}

}  // namespace

void WriteHead(InvoiceContext& c) {
  WriteGlavaRacuna(c);
  WriteLeadingTexts(c);
  WriteDates(c);
  WriteCurrencyAndPlace(c);
  WritePaymentTerms(c);
}

}  // namespace eracuni::eslog::internal
