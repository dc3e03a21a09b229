// The parties of the invoice (issuer, buyer, recipient) and the documents it refers to.
#include <optional>
#include <string>

#include "eslog/invoice_sections.h"
#include "workdata/fields.h"

namespace eracuni::eslog::internal {
namespace {

namespace H = workdata::eRACUNI;
using workdata::Field;

enum class BankName { kPrepared, kBuyerRule, kNone };

struct ReferenceEntry {
  Field kind;
  Field value;
  bool only_when_filled;
};

// One party's fields; the buyer's and recipient's are the issuer's with a suffix.
struct Party {
  Field kind;
  Field name1;
  std::optional<Field> name2 = std::nullopt;  // written when not blank
  std::optional<Field> name3 = std::nullopt;
  Field street1, town, country_name, postcode, country_code;
  Field account;
  BankName bank;
  Field bank_name{}, bank_bic{};  // unused with kNone
  ReferenceEntry references[3];
  size_t reference_count;
  Field contact;
};

constexpr Party kIssuer{.kind = H::VRSTAPARTNERJA,
                        .name1 = H::NAZIVPARTNERJA1,
                        .street1 = H::ULICA1,
                        .town = H::KRAJ,
                        .country_name = H::NAZIVDRZAVE,
                        .postcode = H::POSTNASTEVILKA,
                        .country_code = H::KODADRZAVE,
                        .account = H::STEVILKABANCNEGARACUNA,
                        .bank = BankName::kPrepared,
                        .bank_name = H::NAZIVBANKE1,
                        .bank_bic = H::NAZIVBANKE2,
                        .references = {{H::VRSTAPODATKAPODJETJA, H::PODATEKPODJETJA, false},
                                       {H::VRSTAPODATKAPODJETJA1, H::PODATEKPODJETJA1, false}},
                        .reference_count = 2,
                        .contact = H::IMEOSEBE};

constexpr Party kBuyer{.kind = H::VRSTAPARTNERJABY,
                       .name1 = H::NAZIVPARTNERJA1BY,
                       .name2 = H::NAZIVPARTNERJA2BY,
                       .name3 = H::NAZIVPARTNERJA3BY,
                       .street1 = H::ULICA1BY,
                       .town = H::KRAJBY,
                       .country_name = H::NAZIVDRZAVEBY,
                       .postcode = H::POSTNASTEVILKABY,
                       .country_code = H::KODADRZAVEBY,
                       .account = H::STEVILKABANCNEGARACUNABY,
                       .bank = BankName::kBuyerRule,
                       .bank_name = H::NAZIVBANKE1BY,
                       .bank_bic = H::NAZIVBANKE2BY,
                       .references = {{H::VRSTAPODATKAPODJETJABY1, H::PODATEKPODJETJABY1, false},
                                      {H::VRSTAPODATKAPODJETJABY2, H::PODATEKPODJETJABY2, false},
                                      {H::VRSTAPODATKAPODJETJABY, H::PODATEKPODJETJABY, false}},
                       .reference_count = 3,
                       .contact = H::IMEOSEBEBY};

constexpr Party kRecipient{.kind = H::VRSTAPARTNERJAIV,
                           .name1 = H::NAZIVPARTNERJA1IV,
                           .name2 = H::NAZIVPARTNERJA2IV,
                           .name3 = H::NAZIVPARTNERJA3IV,
                           .street1 = H::ULICA1IV,
                           .town = H::KRAJIV,
                           .country_name = H::NAZIVDRZAVEIV,
                           .postcode = H::POSTNASTEVILKAIV,
                           .country_code = H::KODADRZAVEIV,
                           .account = H::STEVILKABANCNEGARACUNAIV,
                           .bank = BankName::kNone,
                           .references = {{H::VRSTAPODATKAPODJETJAIV1, H::PODATEKPODJETJAIV1, true},
                                          {H::VRSTAPODATKAPODJETJAIV2, H::PODATEKPODJETJAIV2, true},
                                          {H::VRSTAPODATKAPODJETJAIV, H::PODATEKPODJETJAIV, false}},
                           .reference_count = 3,
                           .contact = H::IMEOSEBEIV};

// Payments to the public administration go through the central bank's UJP account.
constexpr std::string_view kUjpBic = "UJPLSI2DICL";

std::string BuyerBankName(const workdata::RecordBuffer& h, const Party& p) {
  if (h.Text(p.bank_bic).substr(0, kUjpBic.size()) == kUjpBic) return "Banka Slovenije";
  if (!IsBlank(h.Text(p.bank_name))) return Prepared(h.Clipped(p.bank_name), kNameLength);
  return Prepared("Banka", kNameLength);
}

void WriteNameAndAddress(InvoiceContext& c, const Party& p) {
  const auto& h = c.header;
  OpenParent(c.xml, "NazivNaslovPodjetja");
  AddStored(c.xml, "VrstaPartnerja", h, p.kind);
  OpenParent(c.xml, "NazivPartnerja");
  c.xml.AddLeaf("NazivPartnerja1", PreparedField(h, p.name1, kNameLength));
  if (p.name2 && !IsBlank(h.Text(*p.name2)))
    c.xml.AddLeaf("NazivPartnerja2", PreparedField(h, *p.name2, kNameLength));
  if (p.name3 && !IsBlank(h.Text(*p.name3)))
    c.xml.AddLeaf("NazivPartnerja3", PreparedField(h, *p.name3, kNameLength));
  c.xml.CloseParent();
  OpenParent(c.xml, "Ulica");
  c.xml.AddLeaf("Ulica1", PreparedField(h, p.street1, kNameLength));
  c.xml.CloseParent();
  c.xml.AddLeaf("Kraj", PreparedField(h, p.town, kNameLength));
  c.xml.AddLeaf("NazivDrzave", PreparedField(h, p.country_name, kNameLength));
  AddStored(c.xml, "PostnaStevilka", h, p.postcode);
  AddStored(c.xml, "KodaDrzave", h, p.country_code);
  c.xml.CloseParent();
}

void WriteBankAccount(InvoiceContext& c, const Party& p) {
  const auto& h = c.header;
  OpenParent(c.xml, "FinancniPodatkiPodjetja");
  OpenParent(c.xml, "BancniRacun");
  AddStored(c.xml, "StevilkaBancnegaRacuna", h, p.account);
  if (p.bank == BankName::kPrepared)
    c.xml.AddLeaf("NazivBanke1", PreparedField(h, p.bank_name, kNameLength));
  else if (p.bank == BankName::kBuyerRule)
    c.xml.AddLeaf("NazivBanke1", BuyerBankName(h, p));
  c.xml.CloseParent();
  c.xml.CloseParent();
}

void WriteReferences(InvoiceContext& c, const Party& p) {
  for (size_t i = 0; i < p.reference_count; ++i) {
    const ReferenceEntry& r = p.references[i];
    if (r.only_when_filled && IsBlank(c.header.Text(r.value))) continue;
    OpenParent(c.xml, "ReferencniPodatkiPodjetja");
    AddStored(c.xml, "VrstaPodatkaPodjetja", c.header, r.kind);
    AddStored(c.xml, "PodatekPodjetja", c.header, r.value);
    c.xml.CloseParent();
  }
}

void WriteContact(InvoiceContext& c, const Party& p) {
  if (IsBlank(c.header.Text(p.contact))) return;
  OpenParent(c.xml, "KontaktiPodjetja");
  OpenParent(c.xml, "KontaktnaOseba");
  c.xml.AddLeaf("ImeOsebe", PreparedField(c.header, p.contact, kNameLength));
  c.xml.CloseParent();
  c.xml.CloseParent();
}

void WriteParty(InvoiceContext& c, const Party& p) {
  OpenParent(c.xml, "PodatkiPodjetja");
  WriteNameAndAddress(c, p);
  WriteBankAccount(c, p);
  WriteReferences(c, p);
  WriteContact(c, p);
  c.xml.CloseParent();
}

void WriteReferenceDocument(InvoiceContext& c, Field kind, Field number, Field date) {
  if (IsBlank(c.header.Text(kind))) return;
  c.xml.CreateParent("ReferencniDokumenti");
  c.xml.CreateAttribute("VrstaDokumenta", Unchanged(c.header, kind));
  c.xml.AddParent();
  c.xml.AddLeaf("StevilkaDokumenta", PreparedField(c.header, number, kNameLength));
  AddStored(c.xml, "DatumDokumenta", c.header, date);
  c.xml.CloseParent();
}

}  // namespace

void WriteParties(InvoiceContext& c) {
  WriteParty(c, kIssuer);
  WriteParty(c, kBuyer);
  WriteParty(c, kRecipient);
  WriteReferenceDocument(c, H::VRSTADOKUMENTA, H::STEVILKADOKUMENTA, H::DATUMDOKUMENTA);
  WriteReferenceDocument(c, H::VRSTADOKUMENTA1, H::STEVILKADOKUMENTA1, H::DATUMDOKUMENTA1);
}

}  // namespace eracuni::eslog::internal
