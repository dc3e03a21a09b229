// The header's part of the model: document, notes, references, parties, payment.
#include "eslog20/build.h"

#include <array>

#include "eslog/text_forms.h"
#include "framework/cp1250.h"
#include "eslog20/builder.h"
#include "eslog20/codelists.h"
#include "workdata/fields.h"

namespace eracuni::eslog20 {
namespace internal {
namespace {

constexpr size_t kNameChars = 70, kAddressChars = 35, kPostcodeChars = 17, kNoteChars = 512;
constexpr size_t kContactChars = 256, kBicChars = 11, kMessageReferenceChars = 14;
constexpr size_t kPaymentReferenceChars = 35, kRfBodyMax = 21;

// BT-3 from the stored type code (nothing when it is refused).
std::optional<std::string> TypeCode(std::string_view stored) {
  if (stored == "385") return "383";  // the producers' debit note
  if (stored == "38P") return "386";
  if (InCodeList(CodeList::kDocumentType, stored)) return std::string(stored);
  return std::nullopt;
}

struct IdentifierEntry {
  NamedField code;
  NamedField value;
};

// Section 5.8: the first entry that yields VA, AHP or 0199 wins.
void ReadIdentifiers(FieldReader& r, std::span<const IdentifierEntry> entries, Party& party) {
  for (const IdentifierEntry& e : entries) {
    std::string_view code = r.Code(e.code);
    if (r.Blank(e.value)) continue;
    if (code == "VA") {
      std::string id = WithoutBlanks(r.Stored(e.value));
      if (!id.empty() && id[0] >= '0' && id[0] <= '9')
        id.insert(0, party.country == "GR" ? std::string("EL") : party.country);
      if (party.vat_id.empty()) party.vat_id = id;
      if (party.tax_number.empty()) party.tax_number = id;
    } else if (code == "AHP") {
      if (party.tax_number.empty()) party.tax_number = WithoutBlanks(r.Stored(e.value));
    } else if (code == "GN" || code == "XA") {
      if (party.registration.empty()) party.registration = r.Text(e.value, kNameChars);
    }
  }
}

}  // namespace

Builder::Builder(const settings::Settings& settings, const workdata::RecordBuffer& header)
    : settings_(settings), header_(header), head_(header, problems_) {
  namespace H = workdata::eRACUNI;
  reverse_charge_ =
      workdata::ClipRight(header.Text(H::TEKST1DAVKI)) == "OBRNJENA_DAVCNA_OBVEZNOST";
  static constexpr std::array<std::string_view, 5> kZeroCategories = {"E", "Z", "K", "G", "O"};
  zero_category_ = "E";
  for (std::string_view c : kZeroCategories)
    if (settings.DDVKATEGORIJA0 == c[0]) zero_category_ = std::string(c);
  ReadDocument();
  ReadNotes();
  ReadReferences();
  ReadParties();
  ReadPayment();
  ReadTotalsInput();
}

void Builder::ReadDocument() {
  FieldReader& r = head_;
  std::string_view type = r.Code(ESLOG20_H(VRSTARACUNA));
  if (std::optional<std::string> code = TypeCode(type))
    invoice_.type_code = *code;
  else
    r.Refuse("R01", Cp("Vrsta računa ") + Quoted(type) + Cp(" ni dovoljena (BR-CL-01)."));
  invoice_.number = r.Text(ESLOG20_H(STEVILKARACUNA), kNameChars);
  if (invoice_.number.empty()) r.Refuse("R02", Cp("Številka računa manjka (BR-02)."));
  invoice_.message_reference = CutChars(invoice_.number, kMessageReferenceChars);

  invoice_.issue_date = r.Date(ESLOG20_H(DATUMRACUNA));
  if (r.Blank(ESLOG20_H(DATUMRACUNA))) r.Refuse("R03", Cp("Datum računa manjka (BR-03)."));
  invoice_.delivery_date = r.Date(ESLOG20_H(DATUMRACUNASTORITVE));
  if (settings_.OBDOBJERACUNA == 1) {
    std::string from = r.Date(ESLOG20_H(DATUMRACUNAOBDOBJEOD));
    std::string to = r.Date(ESLOG20_H(DATUMRACUNAOBDOBJEDO));
    if (!from.empty() && !to.empty()) {
      if (to < from)
        r.Refuse("R05", Cp("Konec obdobja ") + to + Cp(" je pred začetkom ") + from + " (BR-29).");
      invoice_.period_start = from;
      invoice_.period_end = to;
    }
  }
  std::string_view currency = r.Code(ESLOG20_H(KODAVALUTE));
  if (InCodeList(CodeList::kCurrency, currency))
    invoice_.currency = std::string(currency);
  else
    r.Refuse("R06", Cp("Koda valute ") + Quoted(currency) + Cp(" ni veljavna (BR-CL-04)."));
}

void Builder::ReadNotes() {
  FieldReader& r = head_;
  invoice_.specification_identifier = std::string(kSpecificationIdentifier);
  auto note = [&](std::string_view subject, std::string text) {
    if (!text.empty()) invoice_.notes.push_back({std::string(subject), std::move(text)});
  };
  note("PAI", r.Text(ESLOG20_H(TEKST2NP), kNoteChars));
  note("ALQ", r.Text(ESLOG20_H(TEKST2NASL), kNoteChars));
  note("GEN", r.Text(ESLOG20_H(TEKST1NASL), kNoteChars));
  std::string clerk = r.Text(ESLOG20_H(TEKST2GL), kNoteChars);
  if (workdata::ClipRight(header_.Text(workdata::eRACUNI::TEKST1GL)) == "FAKTURIST" &&
      !clerk.empty())
    note("AAI", CutChars("Fakturist: " + clerk, kNoteChars));
}

void Builder::ReadReferences() {
  FieldReader& r = head_;
  struct Set {
    NamedField code, number, date;
  };
  const Set sets[] = {
      {ESLOG20_H(VRSTADOKUMENTA), ESLOG20_H(STEVILKADOKUMENTA), ESLOG20_H(DATUMDOKUMENTA)},
      {ESLOG20_H(VRSTADOKUMENTA1), ESLOG20_H(STEVILKADOKUMENTA1), ESLOG20_H(DATUMDOKUMENTA1)},
  };
  for (const Set& s : sets) {
    std::string_view code = r.Code(s.code);
    std::string number = r.Text(s.number, kNameChars);
    if (WithoutBlanks(code).empty() || number.empty()) continue;  // control bytes are no code
    if (code == "CR") {
      if (invoice_.buyer_reference.empty()) invoice_.buyer_reference = number;
      continue;
    }
    DocumentReference ref;
    ref.code = code == "IV" ? "OI" : Cp1250ToUtf8(code);
    ref.id = number;
    ref.date = r.Date(s.date);
    if (!ref.date.empty()) ref.date_qualifier = ref.code == "OI" ? "384" : "171";
    invoice_.references.push_back(std::move(ref));
  }
}

void Builder::ReadParties() {
  FieldReader& r = head_;
  Party& se = invoice_.seller;
  se.name = r.Text(ESLOG20_H(NAZIVPARTNERJA1), kNameChars);
  if (se.name.empty()) r.Refuse("R07", Cp("Naziv prodajalca manjka (BR-06)."));
  se.street = r.Text(ESLOG20_H(ULICA1), kAddressChars);
  se.city = r.Text(ESLOG20_H(KRAJ), kAddressChars);
  se.postcode = r.Text(ESLOG20_H(POSTNASTEVILKA), kPostcodeChars);
  std::string_view country = r.Code(ESLOG20_H(KODADRZAVE));
  if (InCodeList(CodeList::kCountry, country))
    se.country = std::string(country);
  else
    r.Refuse("R08", Cp("Koda države prodajalca ") + Quoted(country) + Cp(" ni veljavna (BR-09)."));
  se.iban = WithoutBlanks(r.Stored(ESLOG20_H(STEVILKABANCNEGARACUNA)));
  se.bic = CutChars(Cp1250ToUtf8(r.Code(ESLOG20_H(NAZIVBANKE2))), kBicChars);
  se.bank_name = r.Text(ESLOG20_H(NAZIVBANKE1), kNameChars);
  const IdentifierEntry seller_ids[] = {
      {ESLOG20_H(VRSTAPODATKAPODJETJA), ESLOG20_H(PODATEKPODJETJA)},
      {ESLOG20_H(VRSTAPODATKAPODJETJA1), ESLOG20_H(PODATEKPODJETJA1)},
  };
  ReadIdentifiers(r, seller_ids, se);
  se.contact = r.Text(ESLOG20_H(IMEOSEBE), kContactChars);

  Party& by = invoice_.buyer;
  std::string name;
  for (NamedField f : {ESLOG20_H(NAZIVPARTNERJA1BY), ESLOG20_H(NAZIVPARTNERJA2BY),
                       ESLOG20_H(NAZIVPARTNERJA3BY)}) {
    std::string part = r.Text(f, f.field.width);
    if (part.empty()) continue;
    if (!name.empty()) name += ' ';
    name += part;
  }
  by.name = CutChars(name, kNameChars);
  if (by.name.empty()) r.Refuse("R07", Cp("Naziv kupca manjka (BR-07)."));
  by.street = r.Text(ESLOG20_H(ULICA1BY), kAddressChars);
  by.city = r.Text(ESLOG20_H(KRAJBY), kAddressChars);
  by.postcode = r.Text(ESLOG20_H(POSTNASTEVILKABY), kPostcodeChars);
  country = r.Code(ESLOG20_H(KODADRZAVEBY));
  if (InCodeList(CodeList::kCountry, country))
    by.country = std::string(country);
  else
    r.Refuse("R08", Cp("Koda države kupca ") + Quoted(country) + Cp(" ni veljavna (BR-11)."));
  // The invoice recipient's account stands in for a buyer without one, with its bank.
  bool recipient = r.Blank(ESLOG20_H(STEVILKABANCNEGARACUNABY));
  by.iban = WithoutBlanks(r.Stored(recipient ? ESLOG20_H(STEVILKABANCNEGARACUNAIV)
                                             : ESLOG20_H(STEVILKABANCNEGARACUNABY)));
  by.bic = CutChars(Cp1250ToUtf8(r.Code(recipient ? ESLOG20_H(NAZIVBANKE2IV)
                                                       : ESLOG20_H(NAZIVBANKE2BY))),
                    kBicChars);
  by.bank_name =
      r.Text(recipient ? ESLOG20_H(NAZIVBANKE1IV) : ESLOG20_H(NAZIVBANKE1BY), kNameChars);
  const IdentifierEntry buyer_ids[] = {
      {ESLOG20_H(VRSTAPODATKAPODJETJABY1), ESLOG20_H(PODATEKPODJETJABY1)},
      {ESLOG20_H(VRSTAPODATKAPODJETJABY2), ESLOG20_H(PODATEKPODJETJABY2)},
      {ESLOG20_H(VRSTAPODATKAPODJETJABY), ESLOG20_H(PODATEKPODJETJABY)},
  };
  ReadIdentifiers(r, buyer_ids, by);
  by.contact = r.Text(ESLOG20_H(IMEOSEBEBY), kContactChars);
  for (Party* p : {&se, &by})
    if (p->iban.empty()) {  // the bank's details belong to an account only
      p->bic.clear();
      p->bank_name.clear();
    }
}

void Builder::ReadPayment() {
  FieldReader& r = head_;
  invoice_.due_date = r.Date(ESLOG20_H(DATUMPLACILA));
  payment_method_ = std::string(r.Code(ESLOG20_H(TEKST2NP)));
  const std::string& np = payment_method_;
  if (np.empty() || np == "0") {
    invoice_.payment_means_code = "30";
  } else if (np == "1") {
    invoice_.payment_means_code = "59";
  } else if (np == "3") {
    invoice_.payment_means_code = "1";
  } else if (np != "2") {
    r.Refuse("R15", Cp("Neznan način plačila ") + Quoted(np) + ".");
  }
  if (np == "2") {
    // Already paid: no payment instruction at all (BR-49 would want its means code).
    invoice_.seller.iban.clear();
    invoice_.seller.bic.clear();
    invoice_.seller.bank_name.clear();
    return;
  }
  if (invoice_.payment_means_code == "30" && invoice_.seller.iban.empty())
    r.Refuse("R16", Cp("Manjka bančni račun (IBAN) prodajalca (BR-61)."));

  std::string s = WithoutBlanks(r.Stored(ESLOG20_H(STEVILKASKLICASKUPAJ)));
  if (s.empty()) return;
  auto digit = [&](size_t i) { return i < s.size() && s[i] >= '0' && s[i] <= '9'; };
  if ((s.starts_with("SI") || s.starts_with("RF")) && digit(2) && digit(3)) {
    invoice_.payment_reference = s;
  } else {
    std::string body;
    bool formed = true;
    for (char c : s) {
      if (c == '-') continue;
      if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
      formed = formed && ((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'));
      body += c;
    }
    if (!formed || body.empty() || body.size() > kRfBodyMax) {
      r.Refuse("R17", Cp("Sklica ") + Quoted(r.Stored(ESLOG20_H(STEVILKASKLICASKUPAJ))) +
                          Cp(" ni mogoče zapisati kot sklic SI ali RF."));
      return;
    }
    invoice_.payment_reference = eslog::IzracunajSklicRF(body);
  }
  if (invoice_.payment_reference.size() > kPaymentReferenceChars) {
    r.Refuse("R17", Cp("Sklic ") + Quoted(invoice_.payment_reference) + Cp(" je daljši od 35 znakov."));
    invoice_.payment_reference.clear();
  }
}

void Builder::ReadTotalsInput() {
  FieldReader& r = head_;
  const NamedField sets[][2] = {
      {ESLOG20_H(VRSTAZNESKA1), ESLOG20_H(ZNESEKRACUNA1)},
      {ESLOG20_H(VRSTAZNESKA2), ESLOG20_H(ZNESEKRACUNA2)},
      {ESLOG20_H(VRSTAZNESKA3), ESLOG20_H(ZNESEKRACUNA3)},
      {ESLOG20_H(VRSTAZNESKA4), ESLOG20_H(ZNESEKRACUNA4)},
      {ESLOG20_H(VRSTAZNESKA5), ESLOG20_H(ZNESEKRACUNA5)},
      {ESLOG20_H(VRSTAZNESKA6), ESLOG20_H(ZNESEKRACUNA6)},
      {ESLOG20_H(VRSTAZNESKA7), ESLOG20_H(ZNESEKRACUNA7)},
      {ESLOG20_H(VRSTAZNESKA8), ESLOG20_H(ZNESEKRACUNA8)},
  };
  paid_ = Decimal::Cents(0);
  for (const auto& set : sets) {
    if (r.Code(set[0]) != "113" || r.Blank(set[1])) continue;
    std::optional<Decimal> amount = r.Amount(set[1]);
    std::optional<Decimal> sum = amount ? Add(*paid_, *amount) : std::nullopt;
    if (!sum) totals_input_ok_ = false;
    paid_ = sum.value_or(*paid_);
  }
  if (r.Blank(ESLOG20_H(ZNESEKRACUNASKUPAJ))) {
    r.Refuse("R32", Cp("Znesek za plačilo manjka."));
    totals_input_ok_ = false;
    return;
  }
  payable_ = r.Amount(ESLOG20_H(ZNESEKRACUNASKUPAJ));
  if (!payable_) totals_input_ok_ = false;
}

}  // namespace internal

BuildResult BuildInvoice(const settings::Settings& settings, workdata::WorkFiles& files) {
  internal::Builder builder(settings, files.headers().buffer());
  workdata::WalkLines(files, [&] {
    builder.AddLine(files.lines().buffer());
    return true;
  });
  return builder.Finish();
}

BuildResult BuildInvoice(const settings::Settings& settings, const workdata::RecordBuffer& header,
                         std::span<const workdata::RecordBuffer> lines) {
  internal::Builder builder(settings, header);
  for (const workdata::RecordBuffer& line : lines) builder.AddLine(line);
  return builder.Finish();
}

std::string RefusalMessageText(const workdata::RecordBuffer& header,
                               const std::vector<Refusal>& refusals) {
  namespace H = workdata::eRACUNI;
  std::string number(workdata::ClipBoth(header.Text(H::STEVILKARACUNA)));
  if (number.empty()) number = "(ID " + std::to_string(header.U32(H::IDENTRACUN)) + ")";
  std::string text = internal::Cp(" Račun ") + number + " ni izdelan v obliki e-SLOG 2.0:";
  for (const Refusal& r : refusals) text += "|- " + r.line;
  text += internal::Cp("||Račun ni vključen v ovojnico in paket.");
  return text;
}

}  // namespace eracuni::eslog20
