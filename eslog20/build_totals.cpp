// The whole invoice: VAT categories against the parties, the breakdown per category and
// rate, and the totals with the reconciliation of the producer's amount for payment.
#include <algorithm>

#include "eslog20/builder.h"
#include "framework/cp1250.h"

namespace eracuni::eslog20::internal {
namespace {

constexpr size_t kNoteChars = 512, kMaxBreakdowns = 10;
constexpr std::string_view kCategoryOrder[] = {vat::kStandard,   vat::kReverseCharge, vat::kExempt,
                                               vat::kZeroRated,  vat::kIntraCommunity,
                                               vat::kExport,     vat::kNotSubject};
constexpr std::string_view kReverseChargeReason = "Obrnjena davčna obveznost po 76.a členu ZDDV-1";

int CategoryRank(std::string_view category) {
  for (size_t i = 0; i < std::size(kCategoryOrder); ++i)
    if (kCategoryOrder[i] == category) return static_cast<int>(i);
  return static_cast<int>(std::size(kCategoryOrder));
}

bool Has(const Invoice& invoice, std::initializer_list<std::string_view> categories) {
  for (const Line& line : invoice.lines)
    for (std::string_view c : categories)
      if (line.vat_category == c) return true;
  return false;
}

Party DeliverTo(const Party& buyer) {
  Party p;
  p.name = buyer.name;
  p.street = buyer.street;
  p.city = buyer.city;
  p.postcode = buyer.postcode;
  p.country = buyer.country;
  return p;
}

}  // namespace

void Builder::CheckCategories() {
  Invoice& inv = invoice_;
  FieldReader& r = head_;
  bool not_subject = Has(inv, {vat::kNotSubject});
  if (not_subject) {  // BR-O-02: no VAT identifiers on an invoice outside the scope of VAT
    inv.seller.vat_id.clear();
    inv.buyer.vat_id.clear();
  }
  if (Has(inv, {vat::kStandard, vat::kReverseCharge, vat::kIntraCommunity, vat::kExport}) &&
      inv.seller.vat_id.empty())
    r.Refuse("R09", Cp("Manjka ID za DDV prodajalca (koda VA)."));
  if (Has(inv, {vat::kExempt, vat::kZeroRated}) && inv.seller.vat_id.empty() &&
      inv.seller.tax_number.empty())
    r.Refuse("R10", Cp("Manjka ID za DDV ali davčna številka prodajalca."));
  if (inv.seller.vat_id.empty() && inv.seller.registration.empty())
    r.Refuse("R11", Cp("Manjka ID za DDV ali matična številka prodajalca (BR-CO-26)."));
  if (Has(inv, {vat::kReverseCharge, vat::kIntraCommunity}) && inv.buyer.vat_id.empty())
    r.Refuse("R12", Cp("Manjka ID za DDV kupca (koda VA)."));
  if (not_subject && Has(inv, {vat::kStandard}))
    r.Refuse("R13", Cp("Postavk, ki niso predmet DDV (O), ni mogoče združiti s postavkami z DDV."));
  bool intra = Has(inv, {vat::kIntraCommunity});
  if (intra && inv.delivery_date.empty() && inv.period_start.empty() && inv.period_end.empty())
    r.Refuse("R14", Cp("Pri dobavi v drugo državo EU manjka datum opravljene dobave ali obdobje (BR-IC-11)."));
  if (intra || Has(inv, {vat::kExport})) inv.deliver_to = DeliverTo(inv.buyer);

  if (Has(inv, {vat::kReverseCharge})) {
    inv.exemption_reason_code = std::string(kReverseChargeReasonCode);
    inv.exemption_reason = std::string(kReverseChargeReason);
  } else if (Has(inv, {vat::kExempt, vat::kIntraCommunity, vat::kExport, vat::kNotSubject})) {
    inv.exemption_reason = TextForm(settings_.DDVOPROSTITEV0, kNoteChars);
    if (inv.exemption_reason.empty())
      inv.exemption_reason = TextForm(settings::kDefaultDdvOprostitev0, kNoteChars);
  }
}

void Builder::BuildBreakdown() {
  std::vector<VatBreakdown>& groups = invoice_.vat_breakdown;
  for (const Line& line : invoice_.lines) {
    if (line.vat_category.empty()) continue;  // the line's rate was refused
    auto group = std::find_if(groups.begin(), groups.end(), [&](const VatBreakdown& g) {
      return g.category == line.vat_category && g.rate == line.vat_rate;
    });
    if (group == groups.end()) {
      groups.push_back({line.vat_category, line.vat_rate, Decimal::Cents(0), std::nullopt});
      group = groups.end() - 1;
    }
    if (line.net_amount) group->taxable_amount = Add(*group->taxable_amount, *line.net_amount);
  }
  std::stable_sort(groups.begin(), groups.end(), [](const VatBreakdown& a, const VatBreakdown& b) {
    int ra = CategoryRank(a.category), rb = CategoryRank(b.category);
    if (ra != rb) return ra < rb;
    return a.rate.value_or(Decimal{}) > b.rate.value_or(Decimal{});  // S by descending rate
  });
  if (groups.size() > kMaxBreakdowns)
    head_.Refuse("R34", Cp("Preveč različnih stopenj in kategorij DDV (največ 10)."));
  for (VatBreakdown& g : groups) {
    std::optional<Decimal> tax =
        g.taxable_amount ? Multiply(*g.taxable_amount, g.rate.value_or(Decimal{})) : std::nullopt;
    g.tax_amount = tax ? Divide(*tax, Decimal{100, 0}, 2) : std::nullopt;
  }
}

void Builder::BuildTotals() {
  Totals& t = invoice_.totals;
  FieldReader& r = head_;
  // Only an invoice whose every line amount and group is known can be reconciled.
  bool complete = totals_input_ok_ && !invoice_.lines.empty();
  std::optional<Decimal> net = Decimal::Cents(0), tax = Decimal::Cents(0);
  for (const Line& line : invoice_.lines) {
    complete = complete && line.net_amount && !line.vat_category.empty();
    if (line.net_amount && net) net = Add(*net, *line.net_amount);
  }
  for (const VatBreakdown& g : invoice_.vat_breakdown)
    tax = g.tax_amount && tax ? Add(*tax, *g.tax_amount) : std::nullopt;
  std::optional<Decimal> gross = net && tax ? Add(*net, *tax) : std::nullopt;
  for (auto [what, value] : {std::pair{"BT-106", net}, {"BT-110", tax}, {"BT-112", gross}}) {
    if (value && value->TotalDigits() <= 18) continue;
    r.Refuse("R35", TooLongLine(what, value ? value->ToString() : std::string()));
    complete = false;
  }
  t.line_net_total = net;
  t.tax_exclusive = net;
  t.tax_total = tax;
  t.tax_inclusive = gross;
  if (!complete) return;

  const Decimal p = *paid_, written = *payable_, zero = Decimal::Cents(0);
  const bool already_paid = payment_method_ == "2";
  Decimal computed = *Subtract(*gross, p);
  Decimal target = already_paid && written.IsZero() ? computed : written;
  Decimal difference = *Subtract(target, computed);
  size_t lines = std::min<size_t>(invoice_.lines.size(), 100);
  Decimal limit = Decimal::Cents(static_cast<int64_t>(lines));  // min(0.01 × n, 1.00)
  if (Abs(difference) > limit) {
    r.Refuse("R33", Cp("Znesek za plačilo ") + written.ToString() + Cp(" se od izračunanega ") +
                        computed.ToString() + Cp(" razlikuje za ") + difference.ToString() +
                        Cp("; dovoljeno je največ ") + limit.ToString() + ".");
  } else if (!difference.IsZero()) {
    t.rounding = difference;
  }
  Decimal paid = already_paid ? *Add(p, target) : p;
  if (!paid.IsZero()) t.paid = paid;
  t.payable = already_paid ? zero : target;
  if (*t.payable > zero && invoice_.due_date.empty())
    r.Refuse("R18", Cp("Manjka datum zapadlosti (BR-CO-25)."));
}

BuildResult Builder::Finish() {
  if (invoice_.lines.empty()) head_.Refuse("R19", Cp("Račun nima postavk (BR-16)."));
  CheckCategories();
  BuildBreakdown();
  BuildTotals();
  return {std::move(invoice_), std::move(problems_.list())};
}

}  // namespace eracuni::eslog20::internal
