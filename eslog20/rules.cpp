#include "eslog20/rules.h"

#include "eslog20/codelists.h"
#include "eslog20/rules_internal.h"
#include "framework/cp1250.h"

namespace eracuni::eslog20 {
namespace internal {

std::string Str(const std::optional<Decimal>& d) { return d ? d->ToString() : "(ni)"; }

std::string LinePrefix(const Line& line, size_t index) {
  return "Postavka " + (line.id.empty() ? "#" + std::to_string(index + 1) : line.id) + ": ";
}

std::optional<Decimal> Sum(std::span<const std::optional<Decimal>> terms) {
  Decimal total;
  for (const std::optional<Decimal>& t : terms) {
    if (!t) return std::nullopt;
    std::optional<Decimal> next = Add(total, *t);
    if (!next) return std::nullopt;
    total = *next;
  }
  return total;
}

std::optional<Decimal> TaxOf(Decimal base, Decimal rate) {
  std::optional<Decimal> product = Multiply(base, rate);
  if (!product) return std::nullopt;
  return Divide(*product, Decimal{100, 0}, 2);
}

}  // namespace internal

namespace {

using internal::Failures;
using internal::LinePrefix;
using internal::Quoted;
using internal::Str;

void Missing(Failures& f, bool absent, std::string_view what) {
  if (absent) f.push_back(std::string(what) + " manjka");
}

// A check per line: `test` returns the sentence after the line's prefix, or "" when the line
// keeps the rule.
template <typename Test>
void EachLine(const Invoice& inv, Failures& f, Test test) {
  for (size_t i = 0; i < inv.lines.size(); ++i) {
    std::string text = test(inv.lines[i]);
    if (!text.empty()) f.push_back(LinePrefix(inv.lines[i], i) + text);
  }
}

template <typename Test>
void EachAllowanceCharge(const Invoice& inv, Failures& f, Test test) {
  for (size_t i = 0; i < inv.lines.size(); ++i)
    for (const AllowanceCharge& ac : inv.lines[i].allowances_charges) {
      std::string text = test(ac);
      if (!text.empty()) f.push_back(LinePrefix(inv.lines[i], i) + text);
    }
}

std::optional<Decimal> SumOfLines(const Invoice& inv) {
  std::vector<std::optional<Decimal>> nets;
  for (const Line& l : inv.lines) nets.push_back(l.net_amount);
  return internal::Sum(nets);
}

std::optional<Decimal> DocumentAllowancesOrCharges(const Invoice& inv, bool charge) {
  std::vector<std::optional<Decimal>> amounts;
  for (const AllowanceCharge& ac : inv.allowances_charges)
    if (ac.charge == charge) amounts.push_back(ac.amount);
  return internal::Sum(amounts);
}

// "value (what) is not expected (how)", when both are known and differ.
void Equal(Failures& f, const std::optional<Decimal>& value, const std::optional<Decimal>& expected,
           std::string_view what, std::string_view how) {
  if (value && expected && *value != *expected)
    f.push_back(std::string(what) + " " + value->ToString() + " ni enak " + expected->ToString() +
                " (" + std::string(how) + ")");
}

// BR-DEC: the written value has at most two decimals.
void TwoDecimals(Failures& f, std::string_view what, const std::optional<Decimal>& v) {
  if (v && v->scale > 2) f.push_back(std::string(what) + " " + v->ToString() + " ima več kot dve decimalki");
}

template <typename Get>
void TwoDecimalsEachLine(const Invoice& inv, Failures& f, std::string_view what, Get get) {
  EachLine(inv, f, [&](const Line& l) {
    Failures one;
    TwoDecimals(one, what, get(l));
    return one.empty() ? std::string() : one[0];
  });
}

template <typename Get>
void TwoDecimalsEachAllowanceCharge(const Invoice& inv, Failures& f, bool charge,
                                    std::string_view what, Get get) {
  EachAllowanceCharge(inv, f, [&](const AllowanceCharge& ac) {
    Failures one;
    if (ac.charge == charge) TwoDecimals(one, what, get(ac));
    return one.empty() ? std::string() : one[0];
  });
}

// A code of `list`, when present, in the list.
void Listed(Failures& f, CodeList list, std::string_view what, std::string_view code) {
  if (!code.empty() && !InCodeList(list, code))
    f.push_back(std::string(what) + " " + Quoted(code) + " ni dovoljena koda");
}

bool HasCountryPrefix(std::string_view id) {
  if (id.size() < 2) return false;
  std::string_view prefix = id.substr(0, 2);
  return prefix == "EL" || prefix == "XI" || InCodeList(CodeList::kCountry, prefix);
}

bool NotSubjectToVat(const Invoice& inv) {
  for (const Line& l : inv.lines)
    if (l.vat_category == vat::kNotSubject) return true;
  return false;
}

size_t Characters(std::string_view utf8) {
  size_t n = 0;
  for (unsigned char c : utf8) n += (c & 0xC0) != 0x80;
  return n;
}

const Rule kCoreRules[] = {
    {"BR-01", RuleFlag::kFatal, [](const Invoice& i, Failures& f) {
       Missing(f, i.specification_identifier.empty(), "Oznaka standarda EN 16931 (BT-24)");
     }},
    {"BR-02", RuleFlag::kFatal, [](const Invoice& i, Failures& f) {
       Missing(f, i.number.empty(), "Številka računa (BT-1)");
     }},
    {"BR-03", RuleFlag::kFatal, [](const Invoice& i, Failures& f) {
       Missing(f, i.issue_date.empty(), "Datum računa (BT-2)");
     }},
    {"BR-04", RuleFlag::kFatal, [](const Invoice& i, Failures& f) {
       Missing(f, i.type_code.empty(), "Vrsta računa (BT-3)");
     }},
    {"BR-05", RuleFlag::kFatal, [](const Invoice& i, Failures& f) {
       Missing(f, i.currency.empty(), "Koda valute (BT-5)");
     }},
    {"BR-06", RuleFlag::kFatal, [](const Invoice& i, Failures& f) {
       Missing(f, i.seller.name.empty(), "Naziv prodajalca (BT-27)");
     }},
    {"BR-07", RuleFlag::kFatal, [](const Invoice& i, Failures& f) {
       Missing(f, i.buyer.name.empty(), "Naziv kupca (BT-44)");
     }},
    {"BR-09", RuleFlag::kFatal, [](const Invoice& i, Failures& f) {
       Missing(f, i.seller.country.empty(), "Koda države prodajalca (BT-40)");
     }},
    {"BR-11", RuleFlag::kFatal, [](const Invoice& i, Failures& f) {
       Missing(f, i.buyer.country.empty(), "Koda države kupca (BT-55)");
     }},
    {"BR-12", RuleFlag::kFatal, [](const Invoice& i, Failures& f) {
       Missing(f, !i.totals.line_net_total, "Vsota neto zneskov postavk (BT-106)");
     }},
    {"BR-13", RuleFlag::kFatal, [](const Invoice& i, Failures& f) {
       Missing(f, !i.totals.tax_exclusive, "Znesek brez DDV (BT-109)");
     }},
    {"BR-14", RuleFlag::kFatal, [](const Invoice& i, Failures& f) {
       Missing(f, !i.totals.tax_inclusive, "Znesek z DDV (BT-112)");
     }},
    {"BR-15", RuleFlag::kFatal, [](const Invoice& i, Failures& f) {
       Missing(f, !i.totals.payable, "Znesek za plačilo (BT-115)");
     }},
    {"BR-16", RuleFlag::kFatal, [](const Invoice& i, Failures& f) {
       if (i.lines.empty()) f.push_back("Račun nima postavk");
     }},
    {"BR-21", RuleFlag::kFatal, [](const Invoice& i, Failures& f) {
       EachLine(i, f, [](const Line& l) { return l.id.empty() ? "identifikator postavke (BT-126) manjka" : ""; });
     }},
    {"BR-22", RuleFlag::kFatal, [](const Invoice& i, Failures& f) {
       EachLine(i, f, [](const Line& l) { return l.quantity ? "" : "količina (BT-129) manjka"; });
     }},
    {"BR-23", RuleFlag::kFatal, [](const Invoice& i, Failures& f) {
       EachLine(i, f, [](const Line& l) { return l.unit.empty() ? "enota mere (BT-130) manjka" : ""; });
     }},
    {"BR-24", RuleFlag::kFatal, [](const Invoice& i, Failures& f) {
       EachLine(i, f, [](const Line& l) { return l.net_amount ? "" : "neto znesek postavke (BT-131) manjka"; });
     }},
    {"BR-25", RuleFlag::kFatal, [](const Invoice& i, Failures& f) {
       EachLine(i, f, [](const Line& l) { return l.name.empty() ? "naziv artikla (BT-153) manjka" : ""; });
     }},
    {"BR-26", RuleFlag::kFatal, [](const Invoice& i, Failures& f) {
       EachLine(i, f, [](const Line& l) { return l.net_price ? "" : "neto cena (BT-146) manjka"; });
     }},
    {"BR-27", RuleFlag::kFatal, [](const Invoice& i, Failures& f) {
       EachLine(i, f, [](const Line& l) {
         return l.net_price && l.net_price->IsNegative()
                    ? "neto cena " + l.net_price->ToString() + " (BT-146) je negativna" : "";
       });
     }},
    {"BR-28", RuleFlag::kFatal, [](const Invoice& i, Failures& f) {
       EachLine(i, f, [](const Line& l) {
         return l.gross_price && l.gross_price->IsNegative()
                    ? "bruto cena " + l.gross_price->ToString() + " (BT-148) je negativna" : "";
       });
     }},
    {"BR-29", RuleFlag::kFatal, [](const Invoice& i, Failures& f) {
       // Dates are YYYY-MM-DD, so their texts sort as the days do.
       if (!i.period_start.empty() && !i.period_end.empty() && i.period_end < i.period_start)
         f.push_back("Konec obdobja " + i.period_end + " (BT-74) je pred začetkom " + i.period_start + " (BT-73)");
     }},
    {"BR-41", RuleFlag::kFatal, [](const Invoice& i, Failures& f) {
       EachAllowanceCharge(i, f, [](const AllowanceCharge& ac) {
         return !ac.charge && !ac.amount ? "znesek popusta (BT-136) manjka" : "";
       });
     }},
    {"BR-42", RuleFlag::kFatal, [](const Invoice& i, Failures& f) {
       EachAllowanceCharge(i, f, [](const AllowanceCharge& ac) {
         return !ac.charge && ac.reason_code.empty() && ac.reason.empty() ? "razlog popusta (BT-139, BT-140) manjka" : "";
       });
     }},
    {"BR-43", RuleFlag::kFatal, [](const Invoice& i, Failures& f) {
       EachAllowanceCharge(i, f, [](const AllowanceCharge& ac) {
         return ac.charge && !ac.amount ? "znesek pribitka (BT-141) manjka" : "";
       });
     }},
    {"BR-44", RuleFlag::kFatal, [](const Invoice& i, Failures& f) {
       EachAllowanceCharge(i, f, [](const AllowanceCharge& ac) {
         return ac.charge && ac.reason_code.empty() && ac.reason.empty() ? "razlog pribitka (BT-144, BT-145) manjka" : "";
       });
     }},
    {"BR-45", RuleFlag::kFatal, [](const Invoice& i, Failures& f) {
       for (const VatBreakdown& g : i.vat_breakdown)
         Missing(f, !g.taxable_amount, "Razčlenitev DDV " + g.category + ": osnova (BT-116)");
     }},
    {"BR-46", RuleFlag::kFatal, [](const Invoice& i, Failures& f) {
       for (const VatBreakdown& g : i.vat_breakdown)
         Missing(f, !g.tax_amount, "Razčlenitev DDV " + g.category + ": znesek DDV (BT-117)");
     }},
    {"BR-47", RuleFlag::kFatal, [](const Invoice& i, Failures& f) {
       for (const VatBreakdown& g : i.vat_breakdown)
         Missing(f, g.category.empty(), "Razčlenitev DDV " + Str(g.rate) + " %: kategorija (BT-118)");
     }},
    {"BR-48", RuleFlag::kFatal, [](const Invoice& i, Failures& f) {
       for (const VatBreakdown& g : i.vat_breakdown)
         Missing(f, !g.rate && g.category != vat::kNotSubject, "Razčlenitev DDV " + g.category + ": stopnja (BT-119)");
     }},
    {"BR-49", RuleFlag::kFatal, [](const Invoice& i, Failures& f) {
       if (i.payment_means_code.empty() && (!i.seller.iban.empty() || !i.payment_reference.empty()))
         f.push_back("Plačilna navodila so navedena brez kode načina plačila (BT-81)");
     }},
    {"BR-55", RuleFlag::kFatal, [](const Invoice& i, Failures& f) {
       for (const DocumentReference& r : i.references)
         Missing(f, r.code == "OI" && r.id.empty(), "Številka predhodnega računa (BT-25)");
     }},
    {"BR-57", RuleFlag::kFatal, [](const Invoice& i, Failures& f) {
       Missing(f, i.deliver_to && i.deliver_to->country.empty(), "Koda države naslova dostave (BT-80)");
     }},
    {"BR-61", RuleFlag::kFatal, [](const Invoice& i, Failures& f) {
       if ((i.payment_means_code == "30" || i.payment_means_code == "58") && i.seller.iban.empty())
         f.push_back("Pri načinu plačila " + i.payment_means_code + " manjka bančni račun prodajalca (BT-84)");
     }},
    {"BR-CO-03", RuleFlag::kFatal, [](const Invoice& i, Failures& f) {
       if (!i.vat_point_date.empty() && !i.delivery_date.empty())
         f.push_back("Datum obveznosti za DDV " + i.vat_point_date + " (BT-7) je naveden poleg datuma dobave " +
                     i.delivery_date + " (BT-72)");
     }},
    {"BR-CO-04", RuleFlag::kFatal, [](const Invoice& i, Failures& f) {
       EachLine(i, f, [](const Line& l) { return l.vat_category.empty() ? "kategorija DDV (BT-151) manjka" : ""; });
     }},
    {"BR-CO-09", RuleFlag::kFatal, [](const Invoice& i, Failures& f) {
       if (!i.seller.vat_id.empty() && !HasCountryPrefix(i.seller.vat_id))
         f.push_back("ID za DDV prodajalca " + Quoted(i.seller.vat_id) + " (BT-31) nima predpone države");
       if (!i.buyer.vat_id.empty() && !HasCountryPrefix(i.buyer.vat_id))
         f.push_back("ID za DDV kupca " + Quoted(i.buyer.vat_id) + " (BT-48) nima predpone države");
     }},
    {"BR-CO-10", RuleFlag::kFatal, [](const Invoice& i, Failures& f) {
       Equal(f, i.totals.line_net_total, SumOfLines(i), "Znesek BT-106", "vsota neto zneskov postavk");
     }},
    {"BR-CO-11", RuleFlag::kFatal, [](const Invoice& i, Failures& f) {
       if (i.totals.allowances)
         Equal(f, i.totals.allowances, DocumentAllowancesOrCharges(i, false), "Znesek BT-107", "vsota popustov računa");
     }},
    {"BR-CO-12", RuleFlag::kFatal, [](const Invoice& i, Failures& f) {
       if (i.totals.charges)
         Equal(f, i.totals.charges, DocumentAllowancesOrCharges(i, true), "Znesek BT-108", "vsota pribitkov računa");
     }},
    {"BR-CO-13", RuleFlag::kFatal, [](const Invoice& i, Failures& f) {
       const Totals& t = i.totals;
       if (!t.line_net_total) return;
       std::optional<Decimal> expected =
           Subtract(*t.line_net_total, t.allowances.value_or(Decimal{}));
       if (expected) expected = Add(*expected, t.charges.value_or(Decimal{}));
       Equal(f, t.tax_exclusive, expected, "Znesek BT-109", "BT-106 - BT-107 + BT-108");
     }},
    {"BR-CO-14", RuleFlag::kFatal, [](const Invoice& i, Failures& f) {
       std::vector<std::optional<Decimal>> taxes;
       for (const VatBreakdown& g : i.vat_breakdown) taxes.push_back(g.tax_amount);
       Equal(f, i.totals.tax_total, internal::Sum(taxes), "Znesek BT-110", "vsota zneskov DDV razčlenitve");
     }},
    {"BR-CO-15", RuleFlag::kFatal, [](const Invoice& i, Failures& f) {
       const Totals& t = i.totals;
       if (t.tax_exclusive)
         Equal(f, t.tax_inclusive, Add(*t.tax_exclusive, t.tax_total.value_or(Decimal{})), "Znesek BT-112",
               "BT-109 + BT-110");
     }},
    {"BR-CO-16", RuleFlag::kFatal, [](const Invoice& i, Failures& f) {
       const Totals& t = i.totals;
       if (!t.tax_inclusive) return;
       std::optional<Decimal> expected = Subtract(*t.tax_inclusive, t.paid.value_or(Decimal{}));
       if (expected) expected = Add(*expected, t.rounding.value_or(Decimal{}));
       Equal(f, t.payable, expected, "Znesek BT-115", "BT-112 - BT-113 + BT-114");
     }},
    {"BR-CO-17", RuleFlag::kFatal, [](const Invoice& i, Failures& f) {
       for (const VatBreakdown& g : i.vat_breakdown)
         if (g.taxable_amount && g.rate)
           Equal(f, g.tax_amount, internal::TaxOf(*g.taxable_amount, *g.rate),
                 "Razčlenitev DDV " + g.category + " " + g.rate->ToString() + " %: DDV",
                 "osnova " + g.taxable_amount->ToString() + " x stopnja");
     }},
    {"BR-CO-18", RuleFlag::kFatal, [](const Invoice& i, Failures& f) {
       if (i.vat_breakdown.empty()) f.push_back("Račun nima razčlenitve DDV (BG-23)");
     }},
    {"BR-CO-25", RuleFlag::kFatal, [](const Invoice& i, Failures& f) {
       bool terms = false;  // BT-20, FTX AAB
       for (const Note& n : i.notes) terms |= n.subject == "AAB";
       if (i.totals.payable && *i.totals.payable > Decimal{} && i.due_date.empty() && !terms)
         f.push_back("Znesek za plačilo je " + i.totals.payable->ToString() +
                     ", datum zapadlosti (BT-9) ali plačilni pogoji (BT-20) pa manjkajo");
     }},
    {"BR-CO-26", RuleFlag::kFatal, [](const Invoice& i, Failures& f) {
       if (i.seller.vat_id.empty() && i.seller.registration.empty())
         f.push_back("Manjka ID za DDV (BT-31) ali matična številka (BT-30) prodajalca");
     }},
    {"BR-DEC-01", RuleFlag::kFatal, [](const Invoice& i, Failures& f) {
       for (const AllowanceCharge& ac : i.allowances_charges)
         if (!ac.charge) TwoDecimals(f, "Popust računa (BT-92)", ac.amount);
     }},
    {"BR-DEC-02", RuleFlag::kFatal, [](const Invoice& i, Failures& f) {
       for (const AllowanceCharge& ac : i.allowances_charges)
         if (!ac.charge) TwoDecimals(f, "Osnova popusta računa (BT-93)", ac.base);
     }},
    {"BR-DEC-05", RuleFlag::kFatal, [](const Invoice& i, Failures& f) {
       for (const AllowanceCharge& ac : i.allowances_charges)
         if (ac.charge) TwoDecimals(f, "Pribitek računa (BT-99)", ac.amount);
     }},
    {"BR-DEC-06", RuleFlag::kFatal, [](const Invoice& i, Failures& f) {
       for (const AllowanceCharge& ac : i.allowances_charges)
         if (ac.charge) TwoDecimals(f, "Osnova pribitka računa (BT-100)", ac.base);
     }},
    {"BR-DEC-09", RuleFlag::kFatal, [](const Invoice& i, Failures& f) {
       TwoDecimals(f, "Znesek BT-106", i.totals.line_net_total);
     }},
    {"BR-DEC-10", RuleFlag::kFatal, [](const Invoice& i, Failures& f) {
       TwoDecimals(f, "Znesek BT-107", i.totals.allowances);
     }},
    {"BR-DEC-11", RuleFlag::kFatal, [](const Invoice& i, Failures& f) {
       TwoDecimals(f, "Znesek BT-108", i.totals.charges);
     }},
    {"BR-DEC-12", RuleFlag::kFatal, [](const Invoice& i, Failures& f) {
       TwoDecimals(f, "Znesek BT-109", i.totals.tax_exclusive);
     }},
    {"BR-DEC-13", RuleFlag::kFatal, [](const Invoice& i, Failures& f) {
       TwoDecimals(f, "Znesek BT-110", i.totals.tax_total);
     }},
    {"BR-DEC-14", RuleFlag::kFatal, [](const Invoice& i, Failures& f) {
       TwoDecimals(f, "Znesek BT-112", i.totals.tax_inclusive);
     }},
    {"BR-DEC-16", RuleFlag::kFatal, [](const Invoice& i, Failures& f) {
       TwoDecimals(f, "Znesek BT-113", i.totals.paid);
     }},
    {"BR-DEC-17", RuleFlag::kFatal, [](const Invoice& i, Failures& f) {
       TwoDecimals(f, "Znesek BT-114", i.totals.rounding);
     }},
    {"BR-DEC-18", RuleFlag::kFatal, [](const Invoice& i, Failures& f) {
       TwoDecimals(f, "Znesek BT-115", i.totals.payable);
     }},
    {"BR-DEC-19", RuleFlag::kFatal, [](const Invoice& i, Failures& f) {
       for (const VatBreakdown& g : i.vat_breakdown)
         TwoDecimals(f, "Razčlenitev DDV " + g.category + ": osnova (BT-116)", g.taxable_amount);
     }},
    {"BR-DEC-20", RuleFlag::kFatal, [](const Invoice& i, Failures& f) {
       for (const VatBreakdown& g : i.vat_breakdown)
         TwoDecimals(f, "Razčlenitev DDV " + g.category + ": DDV (BT-117)", g.tax_amount);
     }},
    {"BR-DEC-23", RuleFlag::kFatal, [](const Invoice& i, Failures& f) {
       TwoDecimalsEachLine(i, f, "neto znesek (BT-131)", [](const Line& l) { return l.net_amount; });
     }},
    {"BR-DEC-24", RuleFlag::kFatal, [](const Invoice& i, Failures& f) {
       TwoDecimalsEachAllowanceCharge(i, f, false, "popust (BT-136)", [](const AllowanceCharge& a) { return a.amount; });
     }},
    {"BR-DEC-25", RuleFlag::kFatal, [](const Invoice& i, Failures& f) {
       TwoDecimalsEachAllowanceCharge(i, f, false, "osnova popusta (BT-137)", [](const AllowanceCharge& a) { return a.base; });
     }},
    {"BR-DEC-27", RuleFlag::kFatal, [](const Invoice& i, Failures& f) {
       TwoDecimalsEachAllowanceCharge(i, f, true, "pribitek (BT-141)", [](const AllowanceCharge& a) { return a.amount; });
     }},
    {"BR-DEC-28", RuleFlag::kFatal, [](const Invoice& i, Failures& f) {
       TwoDecimalsEachAllowanceCharge(i, f, true, "osnova pribitka (BT-142)", [](const AllowanceCharge& a) { return a.base; });
     }},
};

const Rule kCodeListRules[] = {
    {"BR-CL-01", RuleFlag::kFatal, [](const Invoice& i, Failures& f) {
       Listed(f, CodeList::kDocumentType, "Vrsta računa (BT-3)", i.type_code);
     }},
    {"BR-CL-04", RuleFlag::kFatal, [](const Invoice& i, Failures& f) {
       Listed(f, CodeList::kCurrency, "Koda valute (BT-5)", i.currency);
     }},
    {"BR-CL-08", RuleFlag::kFatal, [](const Invoice& i, Failures& f) {
       for (const Note& n : i.notes) Listed(f, CodeList::kNoteSubject, "Vrsta besedila (BT-21)", n.subject);
     }},
    {"BR-CL-14", RuleFlag::kFatal, [](const Invoice& i, Failures& f) {
       Listed(f, CodeList::kCountry, "Koda države prodajalca (BT-40)", i.seller.country);
       Listed(f, CodeList::kCountry, "Koda države kupca (BT-55)", i.buyer.country);
       if (i.deliver_to) Listed(f, CodeList::kCountry, "Koda države dostave (BT-80)", i.deliver_to->country);
     }},
    {"BR-CL-16", RuleFlag::kFatal, [](const Invoice& i, Failures& f) {
       Listed(f, CodeList::kPaymentMeans, "Način plačila (BT-81)", i.payment_means_code);
     }},
    {"BR-CL-17", RuleFlag::kFatal, [](const Invoice& i, Failures& f) {
       EachLine(i, f, [](const Line& l) {
         Failures one;
         Listed(one, CodeList::kLineVatCategory, "kategorija DDV (BT-151)", l.vat_category);
         return one.empty() ? std::string() : one[0];
       });
     }},
    {"BR-CL-18", RuleFlag::kFatal, [](const Invoice& i, Failures& f) {
       for (const VatBreakdown& g : i.vat_breakdown)
         Listed(f, CodeList::kVatCategory, "Kategorija DDV razčlenitve (BT-118)", g.category);
     }},
    {"BR-CL-19", RuleFlag::kFatal, [](const Invoice& i, Failures& f) {
       EachAllowanceCharge(i, f, [](const AllowanceCharge& ac) {
         Failures one;
         if (!ac.charge) Listed(one, CodeList::kAllowanceReason, "razlog popusta (BT-140)", ac.reason_code);
         return one.empty() ? std::string() : one[0];
       });
       for (const AllowanceCharge& ac : i.allowances_charges)
         if (!ac.charge) Listed(f, CodeList::kAllowanceReason, "Razlog popusta računa (BT-98)", ac.reason_code);
     }},
    {"BR-CL-20", RuleFlag::kFatal, [](const Invoice& i, Failures& f) {
       EachAllowanceCharge(i, f, [](const AllowanceCharge& ac) {
         Failures one;
         if (ac.charge) Listed(one, CodeList::kChargeReason, "razlog pribitka (BT-145)", ac.reason_code);
         return one.empty() ? std::string() : one[0];
       });
       for (const AllowanceCharge& ac : i.allowances_charges)
         if (ac.charge) Listed(f, CodeList::kChargeReason, "Razlog pribitka računa (BT-105)", ac.reason_code);
     }},
    {"BR-CL-22", RuleFlag::kFatal, [](const Invoice& i, Failures& f) {
       Listed(f, CodeList::kExemptionReason, "Koda razloga oprostitve DDV (BT-121)", i.exemption_reason_code);
     }},
    {"BR-CL-23", RuleFlag::kFatal, [](const Invoice& i, Failures& f) {
       EachLine(i, f, [](const Line& l) {
         Failures one;
         Listed(one, CodeList::kUnit, "enota mere (BT-130)", l.unit);
         return one.empty() ? std::string() : one[0];
       });
     }},
};

// What UJP checks beyond the standard before it forwards an invoice to a budget user.
const Rule kUjpRules[] = {
    {"UJP-01", RuleFlag::kFatalOnChannelU, [](const Invoice& i, Failures& f) {
       // An invoice outside the scope of VAT must not carry one (BR-O-02).
       if (i.seller.vat_id.empty() && !NotSubjectToVat(i))
         f.push_back("Manjka ID za DDV prodajalca (BT-31), ki ga zahteva UJP");
     }},
    {"UJP-02", RuleFlag::kFatalOnChannelU, [](const Invoice& i, Failures& f) {
       if (i.buyer.iban.empty()) f.push_back("Manjka bančni račun kupca (NBT-010), ki ga zahteva UJP");
     }},
    {"UJP-03", RuleFlag::kFatalOnChannelU, [](const Invoice& i, Failures& f) {
       const std::string& ref = i.payment_reference;
       if (Characters(ref) > 35 || ref.find_first_of(" \t\r\n") != std::string::npos)
         f.push_back("Sklic za plačilo " + Quoted(ref) + " (BT-83) je daljši od 35 znakov ali vsebuje presledke");
     }},
    {"UJP-04", RuleFlag::kFatalOnChannelU, [](const Invoice& i, Failures& f) {
       if (i.references.empty())
         f.push_back("Račun nima referenčnega dokumenta (pogodbe, naročilnice ali dobavnice), ki ga zahteva UJP");
     }},
};

// Messages are written in UTF-8 here and shown in windows-1250; a character a document
// carries that the code page lacks becomes "?".
std::string ToCp1250(std::string_view utf8) {
  std::string out;
  for (size_t i = 0; i < utf8.size();) {
    size_t n = Utf8SequenceLength(utf8, i);
    if (n == 0) {
      out += '?';
      ++i;
      continue;
    }
    std::optional<std::string> c = Utf8ToCp1250(utf8.substr(i, n));
    out += c ? *c : "?";
    i += n;
  }
  return out;
}

}  // namespace

std::span<const Rule> Rules() {
  static const std::vector<Rule> all = [] {
    std::vector<Rule> v(std::begin(kCoreRules), std::end(kCoreRules));
    std::span<const Rule> vat = internal::VatCategoryRules();
    v.insert(v.end(), vat.begin(), vat.end());
    v.insert(v.end(), std::begin(kCodeListRules), std::end(kCodeListRules));
    v.insert(v.end(), std::begin(kUjpRules), std::end(kUjpRules));
    return v;
  }();
  return all;
}

std::vector<RuleFailure> CheckRules(const Invoice& invoice, RuleOptions options) {
  std::vector<RuleFailure> out;
  for (const Rule& rule : Rules()) {
    Failures texts;
    rule.check(invoice, texts);
    bool fatal = rule.flag == RuleFlag::kFatal ||
                 (rule.flag == RuleFlag::kFatalOnChannelU && options.channel_u);
    for (const std::string& t : texts) out.push_back({rule.id, fatal, ToCp1250(t)});
  }
  return out;
}

std::string FailureLine(const RuleFailure& failure) {
  return failure.text + " (" + std::string(failure.rule) + ").";
}

}  // namespace eracuni::eslog20
