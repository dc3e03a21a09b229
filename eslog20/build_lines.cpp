// One line of the model: description, quantity and unit, amounts, VAT category, the line's
// allowance or charge, and the net price the receiver can recompute the line from.
#include <string>

#include "eslog/text_forms.h"
#include "eslog20/builder.h"
#include "eslog20/codelists.h"
#include "workdata/fields.h"

namespace eracuni::eslog20::internal {
namespace {

namespace L = workdata::eRACUNIP;

constexpr size_t kItemIdChars = 35, kItemNameChars = 256;
const Decimal kOneCent = Decimal::Cents(1);
const Decimal kHundred{100, 0};

// e-SLOG 1.6 units outside UN/ECE Rec 20/21 with a known meaning, and their codes.
struct UnitMapping {
  std::string_view from, to;
};
constexpr UnitMapping kUnitMappings[] = {{"PCE", "H87"}, {"KTM", "KMT"}, {"NRL", "XRO"}, {"ST", "XST"}};
// 1.6 codes with no known meaning: refused even if a list ever holds them.
constexpr std::string_view kUnknownUnits[] = {"AMT", "APX", "LNE", "PND", "RTO", "WRD"};

// |q × p − A + C − n| ≤ 0.01: the receiver's recomputed line net amount matches.
bool LineAddsUp(Decimal q, Decimal p, Decimal allowances, Decimal charges, Decimal net) {
  std::optional<Decimal> v = Multiply(q, p);
  if (v) v = Subtract(*v, allowances);
  if (v) v = Add(*v, charges);
  if (v) v = Subtract(*v, net);
  return v && Abs(*v) <= kOneCent;
}

}  // namespace

std::string Builder::Description(const workdata::RecordBuffer& line) const {
  std::string_view first = line.Text(L::OPISARTIKLA1), second = line.Text(L::OPISARTIKLA2);
  // A first part that fills its field was split by the producer: the rest follows directly.
  if (!first.empty() && first.back() != ' ')
    return std::string(first) + std::string(workdata::ClipRight(second));
  std::string joined(workdata::ClipBoth(first));
  std::string_view rest = workdata::ClipBoth(second);
  if (!joined.empty() && !rest.empty()) joined += ' ';
  joined += rest;
  return joined;
}

std::string Builder::UnitCode(FieldReader& r) {
  std::string_view stored = r.Code(ESLOG20_L(ENOTAMERE));
  std::string_view code = stored;
  for (const UnitMapping& m : kUnitMappings)
    if (m.from == stored) code = m.to;
  bool unknown = false;
  for (std::string_view u : kUnknownUnits) unknown = unknown || u == stored;
  if (unknown || !InCodeList(CodeList::kUnit, code)) {
    r.Refuse("R23", Cp("enota mere ") + Quoted(stored) + Cp(" ni dovoljena (BR-CL-23)."));
    return {};
  }
  return std::string(code);
}

void Builder::ReadLineVat(FieldReader& r, Line& line) {
  const NamedField pairs[][2] = {
      {ESLOG20_L(VRSTAZNESKADAVKAPOSTAVKE), ESLOG20_L(ZNESEK)},
      {ESLOG20_L(VRSTAZNESKADAVKAPOSTAVKE1), ESLOG20_L(ZNESEK1)},
  };
  bool seen_base = false, seen_amount = false;
  for (const auto& pair : pairs) {
    std::string_view code = r.Code(pair[0]);
    if ((code != "125" && code != "124") || r.Blank(pair[1])) continue;
    bool& seen = code == "125" ? seen_base : seen_amount;
    if (seen) continue;  // the first pair of a code wins
    seen = true;
    (code == "125" ? line.vat_base : line.vat_amount) = r.Amount(pair[1]);
  }
}

void Builder::ReadAllowance(FieldReader& r, Line& line, Decimal* allowances, Decimal* charges) {
  // The line's percentage block exists when the percentage is not zero, as in 1.6.
  if (eslog::IsZeroAmount(r.record().Text(workdata::eRACUNIP::ODSTOTEKPOSTAVKE))) return;
  std::string_view id = r.Code(ESLOG20_L(IDENTIFIKATOR));
  bool known = id == "A" || id == "C" || id == "P";
  if (!known)
    r.Refuse("R28", Cp("neznana oznaka popusta ali pribitka ") + Quoted(id) + ".");
  AllowanceCharge ac;
  ac.charge = id != "A";
  ac.reason_code = ac.charge ? "ABK" : "95";
  ac.percentage = r.Percent(ESLOG20_L(ODSTOTEKPOSTAVKE));
  std::string_view kind = r.Code(ESLOG20_L(VRSTAZNESKAODSTOTKA));
  bool stored = (kind == "204" || kind == "23" || kind == "25") &&
                !r.Blank(ESLOG20_L(ZNESEKODSTOTKA));
  if (!stored) {
    r.Refuse("R29", Cp("manjka znesek popusta ali pribitka (BR-41, BR-43)."));
    return;
  }
  std::optional<Decimal> value = r.Amount(ESLOG20_L(ZNESEKODSTOTKA));
  if (!value) return;
  if (kind == "25") {
    ac.base = value;
    if (!ac.percentage) return;
    std::optional<Decimal> product = Multiply(*value, *ac.percentage);
    ac.amount = product ? Divide(*product, kHundred, 2) : std::nullopt;
    if (!ac.amount || ac.amount->TotalDigits() > 18) {
      r.Refuse("R35", TooLongLine("ERACUNIP:ZNESEKODSTOTKA", r.Stored(ESLOG20_L(ZNESEKODSTOTKA))));
      return;
    }
  } else {
    ac.amount = value;
  }
  if (!known) return;
  Decimal& sum = ac.charge ? *charges : *allowances;
  sum = Add(sum, *ac.amount).value_or(sum);
  line.allowances_charges.push_back(std::move(ac));
}

void Builder::DerivePrice(FieldReader& r, Line& line, Decimal allowances, Decimal charges) {
  NamedField cena = ESLOG20_L(CENA);
  if (r.Blank(cena)) {
    r.Refuse("R25", Cp("cena manjka (BR-26)."));
    return;
  }
  std::optional<Decimal> stored = r.Number(cena);
  if (!stored) return;
  // Prices are written with at most 4 decimals; every test below uses the written price.
  std::optional<Decimal> c = Rescale(*stored, 4);
  if (!c || !r.FitsDigits(cena, Trimmed(*c), 15) || !line.quantity || !line.net_amount) return;
  Decimal q = *line.quantity, n = *line.net_amount;
  if (c->IsNegative()) {  // negative prices are not allowed: the quantity carries the sign
    c = Negated(*c);
    q = Negated(q);
    line.quantity = q;
  }
  bool gross = r.Code(ESLOG20_L(VRSTACENE)) == "AAB";
  if (gross) line.gross_price = Trimmed(*c, 2);

  std::optional<Decimal> price;
  if (!gross && LineAddsUp(q, *c, allowances, charges, n)) {
    price = c;
  } else if (q.IsZero()) {
    if (!n.IsZero()) {
      r.Refuse("R25", Cp("količina je 0, vrednost postavke pa ni 0."));
      return;
    }
    price = c;
  } else {
    // The price after the line's allowances and charges, with as few decimals as add up.
    std::optional<Decimal> target = Add(n, allowances);
    if (target) target = Subtract(*target, charges);
    for (int d = 2; d <= 4 && target; ++d) {
      price = Divide(*target, q, d);
      if (price && LineAddsUp(q, *price, allowances, charges, n)) break;
    }
  }
  if (!price || price->TotalDigits() > 15) {
    r.Refuse("R35", TooLongLine(cena.name, r.Stored(cena)));
    return;
  }
  if (price->IsNegative()) {
    r.Refuse("R25", Cp("neto cena je negativna (BR-27)."));
    return;
  }
  line.net_price = Trimmed(*price, 2);
}

void Builder::AddLine(const workdata::RecordBuffer& record) {
  uint32_t number = record.U32(L::ZAPSTEVPOST);
  FieldReader r(record, problems_, "Postavka " + std::to_string(number) + ": ");
  Line line;
  line.id = std::to_string(number);
  if (number > 999999) r.Refuse("R20", Cp("številka vrstice je večja od 999999."));
  line.seller_item_id = r.Text(ESLOG20_L(STEVILKAARTIKLADODATNA), kItemIdChars);
  line.name = TextForm(Description(record), kItemNameChars);
  if (line.name.empty()) r.Refuse("R21", Cp("opis artikla manjka (BR-25)."));

  if (r.Blank(ESLOG20_L(KOLICINA)))
    r.Refuse("R22", Cp("količina manjka (BR-22)."));
  else
    line.quantity = r.Quantity(ESLOG20_L(KOLICINA));
  line.unit = UnitCode(r);
  if (r.Blank(ESLOG20_L(ZNESEKPOSTAVKE)))
    r.Refuse("R24", Cp("vrednost postavke manjka (BR-24)."));
  else
    line.net_amount = r.Amount(ESLOG20_L(ZNESEKPOSTAVKE));
  if (!r.Blank(ESLOG20_L(ZNESEKPOSTAVKEVSE)))
    line.amount_with_vat = r.Amount(ESLOG20_L(ZNESEKPOSTAVKEVSE));

  std::string_view tax = r.Code(ESLOG20_L(VRSTADAVKAPOSTAVKE));
  if (!tax.empty() && tax != "VAT")
    r.Refuse("R26", Cp("vrsta davka ") + Quoted(tax) + Cp(" ni DDV."));
  if (std::optional<Decimal> rate = r.Rate(ESLOG20_L(ODSTOTEKDAVKAPOSTAVKE))) {
    if (!rate->IsZero())
      line.vat_category = std::string(vat::kStandard);
    else
      line.vat_category = reverse_charge_ ? std::string(vat::kReverseCharge) : zero_category_;
    if (line.vat_category != vat::kNotSubject) line.vat_rate = rate;
  }
  ReadLineVat(r, line);

  Decimal allowances = Decimal::Cents(0), charges = Decimal::Cents(0);
  ReadAllowance(r, line, &allowances, &charges);
  DerivePrice(r, line, allowances, charges);
  invoice_.lines.push_back(std::move(line));
}

}  // namespace eracuni::eslog20::internal
