// The rules of the VAT categories. Each category has the same six kinds of rule (-01 its
// breakdown, -02 the parties' identifiers, -05 the line rate, -08 the breakdown's base, -09
// its tax, -10 the exemption reason); one template per kind serves every category.
#include "eslog20/rules_internal.h"

namespace eracuni::eslog20::internal {
namespace {

enum Category { kS, kAE, kE, kZ, kK, kG, kO };
constexpr std::string_view kCode[] = {"S", "AE", "E", "Z", "K", "G", "O"};

bool HasLines(const Invoice& inv, Category c) {
  for (const Line& l : inv.lines)
    if (l.vat_category == kCode[c]) return true;
  for (const AllowanceCharge& ac : inv.allowances_charges)
    if (ac.vat_category == kCode[c]) return true;
  return false;
}

bool HasBreakdown(const Invoice& inv, std::string_view code) {
  for (const VatBreakdown& g : inv.vat_breakdown)
    if (g.category == code) return true;
  return false;
}

bool SameRate(const std::optional<Decimal>& a, const std::optional<Decimal>& b) {
  return a.has_value() == b.has_value() && (!a || *a == *b);
}

std::string Group(const VatBreakdown& g) {
  return "Razčlenitev DDV " + g.category + (g.rate ? " " + g.rate->ToString() + " %" : "") + ": ";
}

template <Category C>
void BreakdownPresent(const Invoice& inv, Failures& f) {
  if (!HasLines(inv, C)) return;
  size_t n = 0;
  for (const VatBreakdown& g : inv.vat_breakdown) n += g.category == kCode[C];
  if (C == kS ? n == 0 : n != 1)
    f.push_back("Postavke s kategorijo DDV " + std::string(kCode[C]) + " zahtevajo " +
                (C == kS ? "razčlenitev" : "natanko eno razčlenitev") + " DDV te kategorije, račun jih ima " +
                std::to_string(n));
}

template <Category C>
void PartyIdentifiers(const Invoice& inv, Failures& f) {
  if (!HasLines(inv, C)) return;
  const std::string cat = "Pri kategoriji DDV " + std::string(kCode[C]);
  const Party& se = inv.seller;
  const Party& by = inv.buyer;
  if (C == kO) {
    if (!se.vat_id.empty()) f.push_back(cat + " ne sme biti ID za DDV prodajalca " + Quoted(se.vat_id) + " (BT-31)");
    if (!by.vat_id.empty()) f.push_back(cat + " ne sme biti ID za DDV kupca " + Quoted(by.vat_id) + " (BT-48)");
    return;
  }
  bool tax_number_will_do = C == kS || C == kE || C == kZ;
  if (se.vat_id.empty() && !(tax_number_will_do && !se.tax_number.empty()))
    f.push_back(cat + (tax_number_will_do ? " manjka ID za DDV (BT-31) ali davčna številka (BT-32) prodajalca"
                                          : " manjka ID za DDV prodajalca (BT-31)"));
  if (C == kAE && by.vat_id.empty() && by.registration.empty())
    f.push_back(cat + " manjka ID za DDV (BT-48) ali matična številka (BT-47) kupca");
  if (C == kK && by.vat_id.empty()) f.push_back(cat + " manjka ID za DDV kupca (BT-48)");
}

template <Category C>
void LineRate(const Invoice& inv, Failures& f) {
  for (size_t i = 0; i < inv.lines.size(); ++i) {
    const Line& l = inv.lines[i];
    if (l.vat_category != kCode[C]) continue;
    std::string prefix = LinePrefix(l, i) + "stopnja DDV " + Str(l.vat_rate) + " (BT-152) pri kategoriji " +
                         std::string(kCode[C]);
    if (C == kO) {
      if (l.vat_rate) f.push_back(LinePrefix(l, i) + "pri kategoriji O stopnja DDV (BT-152) ne sme biti navedena");
    } else if (C == kS) {
      if (!l.vat_rate || *l.vat_rate <= Decimal{}) f.push_back(prefix + " mora biti večja od 0");
    } else if (!l.vat_rate || !l.vat_rate->IsZero()) {
      f.push_back(prefix + " mora biti 0");
    }
  }
}

// The breakdown's base is the sum of its lines, less the document's allowances, plus its
// charges, of the same category and rate.
template <Category C>
void BreakdownBase(const Invoice& inv, Failures& f) {
  for (const VatBreakdown& g : inv.vat_breakdown) {
    if (g.category != kCode[C] || !g.taxable_amount) continue;
    std::vector<std::optional<Decimal>> terms;
    for (const Line& l : inv.lines)
      if (l.vat_category == g.category && SameRate(l.vat_rate, g.rate)) terms.push_back(l.net_amount);
    for (const AllowanceCharge& ac : inv.allowances_charges)
      if (ac.vat_category == g.category && SameRate(ac.vat_rate, g.rate))
        terms.push_back(ac.charge || !ac.amount ? ac.amount : Negated(*ac.amount));
    std::optional<Decimal> sum = Sum(terms);
    if (sum && *sum != *g.taxable_amount)
      f.push_back(Group(g) + "osnova " + g.taxable_amount->ToString() + " (BT-116) ni enaka vsoti postavk " +
                  sum->ToString());
  }
}

template <Category C>
void BreakdownTax(const Invoice& inv, Failures& f) {
  for (const VatBreakdown& g : inv.vat_breakdown) {
    if (g.category != kCode[C] || !g.tax_amount) continue;
    if (C != kS) {
      if (!g.tax_amount->IsZero()) f.push_back(Group(g) + "DDV " + g.tax_amount->ToString() + " (BT-117) ni 0");
      continue;
    }
    if (!g.taxable_amount || !g.rate) continue;
    std::optional<Decimal> tax = TaxOf(*g.taxable_amount, *g.rate);
    if (tax && *tax != *g.tax_amount)
      f.push_back(Group(g) + "DDV " + g.tax_amount->ToString() + " (BT-117) ni enak " + tax->ToString() +
                  " (osnova " + g.taxable_amount->ToString() + " x stopnja)");
  }
}

// e-SLOG 2.0 carries one exemption reason for the whole document (FTX AGM): it belongs to
// the category that needs one, and is wrong only when no such category is there.
template <Category C>
void ExemptionReason(const Invoice& inv, Failures& f) {
  if (!HasBreakdown(inv, kCode[C])) return;
  bool given = !inv.exemption_reason_code.empty() || !inv.exemption_reason.empty();
  if (C != kS && C != kZ) {
    if (!given)
      f.push_back("Pri kategoriji DDV " + std::string(kCode[C]) + " manjka razlog oprostitve (BT-120, BT-121)");
    return;
  }
  for (Category other : {kAE, kE, kK, kG, kO})
    if (HasBreakdown(inv, kCode[other])) return;
  if (given)
    f.push_back("Razlog oprostitve " +
                Quoted(inv.exemption_reason_code.empty() ? inv.exemption_reason : inv.exemption_reason_code) +
                " ne sme biti naveden pri kategoriji DDV " + std::string(kCode[C]));
}

const Rule kVatRules[] = {
    {"BR-S-01", RuleFlag::kFatal, &BreakdownPresent<kS>},
    {"BR-S-02", RuleFlag::kFatal, &PartyIdentifiers<kS>},
    {"BR-S-05", RuleFlag::kFatal, &LineRate<kS>},
    {"BR-S-08", RuleFlag::kFatal, &BreakdownBase<kS>},
    {"BR-S-09", RuleFlag::kFatal, &BreakdownTax<kS>},
    {"BR-S-10", RuleFlag::kFatal, &ExemptionReason<kS>},
    {"BR-AE-01", RuleFlag::kFatal, &BreakdownPresent<kAE>},
    {"BR-AE-02", RuleFlag::kFatal, &PartyIdentifiers<kAE>},
    {"BR-AE-05", RuleFlag::kFatal, &LineRate<kAE>},
    {"BR-AE-08", RuleFlag::kFatal, &BreakdownBase<kAE>},
    {"BR-AE-09", RuleFlag::kFatal, &BreakdownTax<kAE>},
    {"BR-AE-10", RuleFlag::kFatal, &ExemptionReason<kAE>},
    {"BR-E-01", RuleFlag::kFatal, &BreakdownPresent<kE>},
    {"BR-E-02", RuleFlag::kFatal, &PartyIdentifiers<kE>},
    {"BR-E-05", RuleFlag::kFatal, &LineRate<kE>},
    {"BR-E-08", RuleFlag::kFatal, &BreakdownBase<kE>},
    {"BR-E-09", RuleFlag::kFatal, &BreakdownTax<kE>},
    {"BR-E-10", RuleFlag::kFatal, &ExemptionReason<kE>},
    {"BR-Z-01", RuleFlag::kFatal, &BreakdownPresent<kZ>},
    {"BR-Z-02", RuleFlag::kFatal, &PartyIdentifiers<kZ>},
    {"BR-Z-05", RuleFlag::kFatal, &LineRate<kZ>},
    {"BR-Z-08", RuleFlag::kFatal, &BreakdownBase<kZ>},
    {"BR-Z-09", RuleFlag::kFatal, &BreakdownTax<kZ>},
    {"BR-Z-10", RuleFlag::kFatal, &ExemptionReason<kZ>},
    {"BR-IC-01", RuleFlag::kFatal, &BreakdownPresent<kK>},
    {"BR-IC-02", RuleFlag::kFatal, &PartyIdentifiers<kK>},
    {"BR-IC-05", RuleFlag::kFatal, &LineRate<kK>},
    {"BR-IC-08", RuleFlag::kFatal, &BreakdownBase<kK>},
    {"BR-IC-09", RuleFlag::kFatal, &BreakdownTax<kK>},
    {"BR-IC-10", RuleFlag::kFatal, &ExemptionReason<kK>},
    {"BR-IC-11", RuleFlag::kFatal, [](const Invoice& i, Failures& f) {
       if (HasBreakdown(i, "K") && i.delivery_date.empty() && i.period_start.empty() && i.period_end.empty())
         f.push_back("Pri kategoriji DDV K manjka datum dobave (BT-72) ali obdobje (BG-14)");
     }},
    {"BR-IC-12", RuleFlag::kFatal, [](const Invoice& i, Failures& f) {
       if (HasBreakdown(i, "K") && (!i.deliver_to || i.deliver_to->country.empty()))
         f.push_back("Pri kategoriji DDV K manjka država dostave (BT-80)");
     }},
    {"BR-G-01", RuleFlag::kFatal, &BreakdownPresent<kG>},
    {"BR-G-02", RuleFlag::kFatal, &PartyIdentifiers<kG>},
    {"BR-G-05", RuleFlag::kFatal, &LineRate<kG>},
    {"BR-G-08", RuleFlag::kFatal, &BreakdownBase<kG>},
    {"BR-G-09", RuleFlag::kFatal, &BreakdownTax<kG>},
    {"BR-G-10", RuleFlag::kFatal, &ExemptionReason<kG>},
    {"BR-O-01", RuleFlag::kFatal, &BreakdownPresent<kO>},
    {"BR-O-02", RuleFlag::kFatal, &PartyIdentifiers<kO>},
    {"BR-O-05", RuleFlag::kFatal, &LineRate<kO>},
    {"BR-O-08", RuleFlag::kFatal, &BreakdownBase<kO>},
    {"BR-O-09", RuleFlag::kFatal, &BreakdownTax<kO>},
    {"BR-O-10", RuleFlag::kFatal, &ExemptionReason<kO>},
    {"BR-O-11", RuleFlag::kFatal, [](const Invoice& i, Failures& f) {
       if (!HasBreakdown(i, "O")) return;
       for (const VatBreakdown& g : i.vat_breakdown)
         if (g.category != "O") f.push_back(Group(g) + "ne sme biti na računu z razčlenitvijo DDV O");
     }},
    {"BR-O-12", RuleFlag::kFatal, [](const Invoice& i, Failures& f) {
       if (!HasBreakdown(i, "O")) return;
       for (size_t n = 0; n < i.lines.size(); ++n)
         if (i.lines[n].vat_category != "O")
           f.push_back(LinePrefix(i.lines[n], n) + "kategorija DDV " + Quoted(i.lines[n].vat_category) +
                       " ne sme biti na računu s kategorijo O");
     }},
};

}  // namespace

std::span<const Rule> VatCategoryRules() { return kVatRules; }

}  // namespace eracuni::eslog20::internal
