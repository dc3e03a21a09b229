// Every rule broken by the smallest change to a valid model of each VAT category, and the
// models the builder derives passing every rule.
#include <gtest/gtest.h>

#include <functional>
#include <set>

#include "eslog20/rules.h"
#include "framework/cp1250.h"
#include "tests/eslog20/model_fixture.h"
#include "workdata/fields.h"

namespace eracuni::eslog20::testing {
namespace {

namespace H = workdata::eRACUNI;
namespace L = workdata::eRACUNIP;

class Valid : public ModelTest {
 public:
  void TestBody() override {}
};

// A valid invoice built from the work data: one line of 100.00 at 22 % (S), or at 0 % in
// `category`, with everything UJP asks for.
Invoice ValidModel(std::string_view category) {
  Valid t;
  t.Set(H::STEVILKABANCNEGARACUNABY, "SI56 0110 0600 0000 001");
  t.Set(H::VRSTADOKUMENTA, "ON");
  t.Set(H::STEVILKADOKUMENTA, "N-2026-7");
  if (category != "S") {
    t.lines[0].SetText(L::ODSTOTEKDAVKAPOSTAVKE, "0");
    t.Set(H::ZNESEKRACUNASKUPAJ, "100.00");
    t.Set(H::DATUMRACUNASTORITVE, "2026-11-30");
    if (category == "AE") t.Set(H::TEKST1DAVKI, "OBRNJENA_DAVCNA_OBVEZNOST");
    else t.settings.DDVKATEGORIJA0 = category[0];
  }
  BuildResult r = t.Build();
  EXPECT_TRUE(r.ok()) << category << ": " << r.refusals[0].line;
  return r.invoice;
}

// The ids of every failure, fatal or not, in table order.
std::string Failing(const Invoice& inv) {
  std::string ids;
  for (const RuleFailure& f : CheckRules(inv, {.channel_u = true}))
    ids += (ids.empty() ? "" : " ") + std::string(f.rule);
  return ids;
}

std::optional<Decimal> D(const char* text) { return ParseDecimal(text); }

struct Row {
  const char* category;
  const char* failing;  // every rule the change breaks, in table order
  std::function<void(Invoice&)> change;
};

AllowanceCharge Allowance(const char* amount, const char* reason = "95") {
  AllowanceCharge a;
  a.reason_code = reason;
  a.amount = amount ? D(amount) : std::nullopt;
  return a;
}

AllowanceCharge Charge(const char* amount, const char* reason = "ABK") {
  AllowanceCharge c = Allowance(amount, reason);
  c.charge = true;
  return c;
}

const std::vector<Row>& Rows() {
  static const std::vector<Row> rows = {
      {"S", "BR-01", [](Invoice& i) { i.specification_identifier.clear(); }},
      {"S", "BR-02", [](Invoice& i) { i.number.clear(); }},
      {"S", "BR-03", [](Invoice& i) { i.issue_date.clear(); }},
      {"S", "BR-04", [](Invoice& i) { i.type_code.clear(); }},
      {"S", "BR-05", [](Invoice& i) { i.currency.clear(); }},
      {"S", "BR-06", [](Invoice& i) { i.seller.name.clear(); }},
      {"S", "BR-07", [](Invoice& i) { i.buyer.name.clear(); }},
      {"S", "BR-09", [](Invoice& i) { i.seller.country.clear(); }},
      {"S", "BR-11", [](Invoice& i) { i.buyer.country.clear(); }},
      {"S", "BR-12", [](Invoice& i) { i.totals.line_net_total.reset(); }},
      {"S", "BR-13", [](Invoice& i) { i.totals.tax_exclusive.reset(); }},
      {"S", "BR-14", [](Invoice& i) { i.totals.tax_inclusive.reset(); }},
      {"S", "BR-15", [](Invoice& i) { i.totals.payable.reset(); }},
      {"S", "BR-16 BR-CO-10 BR-S-08", [](Invoice& i) { i.lines.clear(); }},
      {"S", "BR-21", [](Invoice& i) { i.lines[0].id.clear(); }},
      {"S", "BR-22", [](Invoice& i) { i.lines[0].quantity.reset(); }},
      {"S", "BR-23", [](Invoice& i) { i.lines[0].unit.clear(); }},
      {"S", "BR-24", [](Invoice& i) { i.lines[0].net_amount.reset(); }},
      {"S", "BR-25", [](Invoice& i) { i.lines[0].name.clear(); }},
      {"S", "BR-26", [](Invoice& i) { i.lines[0].net_price.reset(); }},
      {"S", "BR-27", [](Invoice& i) { i.lines[0].net_price = D("-50.00"); }},
      {"S", "BR-28", [](Invoice& i) { i.lines[0].gross_price = D("-0.01"); }},
      {"S", "BR-29", [](Invoice& i) { i.period_start = "2026-12-01", i.period_end = "2026-11-30"; }},
      {"S", "BR-41", [](Invoice& i) { i.lines[0].allowances_charges.push_back(Allowance(nullptr)); }},
      {"S", "BR-42", [](Invoice& i) { i.lines[0].allowances_charges.push_back(Allowance("1.00", "")); }},
      {"S", "BR-43", [](Invoice& i) { i.lines[0].allowances_charges.push_back(Charge(nullptr)); }},
      {"S", "BR-44", [](Invoice& i) { i.lines[0].allowances_charges.push_back(Charge("1.00", "")); }},
      {"S", "BR-45", [](Invoice& i) { i.vat_breakdown[0].taxable_amount.reset(); }},
      {"S", "BR-46", [](Invoice& i) { i.vat_breakdown[0].tax_amount.reset(); }},
      {"S", "BR-47 BR-S-01", [](Invoice& i) { i.vat_breakdown[0].category.clear(); }},
      {"S", "BR-48 BR-S-08", [](Invoice& i) { i.vat_breakdown[0].rate.reset(); }},
      {"S", "BR-49", [](Invoice& i) { i.payment_means_code.clear(); }},
      {"S", "BR-55", [](Invoice& i) { i.references.push_back({"OI", "", "", ""}); }},
      {"S", "BR-57", [](Invoice& i) { i.deliver_to = Party{}; }},
      {"S", "BR-61", [](Invoice& i) { i.seller.iban.clear(); }},
      {"S", "BR-CO-03", [](Invoice& i) { i.vat_point_date = "2026-12-01", i.delivery_date = "2026-11-30"; }},
      {"S", "BR-CO-04 BR-S-08", [](Invoice& i) { i.lines[0].vat_category.clear(); }},
      {"S", "BR-CO-09", [](Invoice& i) { i.buyer.vat_id = "98765432"; }},
      {"S", "BR-CO-10 BR-CO-13", [](Invoice& i) { i.totals.line_net_total = D("100.01"); }},
      {"S", "BR-CO-11 BR-CO-13", [](Invoice& i) { i.totals.allowances = D("1.00"); }},
      {"S", "BR-CO-12 BR-CO-13", [](Invoice& i) { i.totals.charges = D("1.00"); }},
      {"S", "BR-CO-13 BR-CO-15", [](Invoice& i) { i.totals.tax_exclusive = D("100.01"); }},
      {"S", "BR-CO-14 BR-CO-15", [](Invoice& i) { i.totals.tax_total = D("22.01"); }},
      {"S", "BR-CO-15 BR-CO-16", [](Invoice& i) { i.totals.tax_inclusive = D("122.01"); }},
      {"S", "BR-CO-16", [](Invoice& i) { i.totals.payable = D("122.01"); }},
      {"S", "BR-CO-14 BR-CO-17 BR-S-09", [](Invoice& i) { i.vat_breakdown[0].tax_amount = D("22.01"); }},
      {"S", "BR-CO-14 BR-CO-18 BR-S-01", [](Invoice& i) { i.vat_breakdown.clear(); }},
      {"S", "BR-CO-25", [](Invoice& i) { i.due_date.clear(); }},
      {"S", "BR-CO-26 UJP-01", [](Invoice& i) { i.seller.vat_id.clear(), i.seller.registration.clear(); }},
      {"S", "BR-DEC-01", [](Invoice& i) { i.allowances_charges.push_back(Allowance("1.000")); }},
      {"S", "BR-DEC-02", [](Invoice& i) {
         i.allowances_charges.push_back(Allowance("0.00"));
         i.allowances_charges[0].base = D("0.000");
       }},
      {"S", "BR-DEC-05", [](Invoice& i) { i.allowances_charges.push_back(Charge("1.000")); }},
      {"S", "BR-DEC-06", [](Invoice& i) {
         i.allowances_charges.push_back(Charge("0.00"));
         i.allowances_charges[0].base = D("0.000");
       }},
      {"S", "BR-DEC-09", [](Invoice& i) { i.totals.line_net_total = D("100.000"); }},
      {"S", "BR-DEC-10", [](Invoice& i) { i.totals.allowances = D("0.000"); }},
      {"S", "BR-DEC-11", [](Invoice& i) { i.totals.charges = D("0.000"); }},
      {"S", "BR-DEC-12", [](Invoice& i) { i.totals.tax_exclusive = D("100.000"); }},
      {"S", "BR-DEC-13", [](Invoice& i) { i.totals.tax_total = D("22.000"); }},
      {"S", "BR-DEC-14", [](Invoice& i) { i.totals.tax_inclusive = D("122.000"); }},
      {"S", "BR-DEC-16", [](Invoice& i) { i.totals.paid = D("0.000"); }},
      {"S", "BR-DEC-17", [](Invoice& i) { i.totals.rounding = D("0.000"); }},
      {"S", "BR-DEC-18", [](Invoice& i) { i.totals.payable = D("122.000"); }},
      {"S", "BR-DEC-19", [](Invoice& i) { i.vat_breakdown[0].taxable_amount = D("100.000"); }},
      {"S", "BR-DEC-20", [](Invoice& i) { i.vat_breakdown[0].tax_amount = D("22.000"); }},
      {"S", "BR-DEC-23", [](Invoice& i) { i.lines[0].net_amount = D("100.000"); }},
      {"S", "BR-DEC-24", [](Invoice& i) { i.lines[0].allowances_charges.push_back(Allowance("0.000")); }},
      {"S", "BR-DEC-25", [](Invoice& i) {
         i.lines[0].allowances_charges.push_back(Allowance("0.00"));
         i.lines[0].allowances_charges[0].base = D("0.000");
       }},
      {"S", "BR-DEC-27", [](Invoice& i) { i.lines[0].allowances_charges.push_back(Charge("0.000")); }},
      {"S", "BR-DEC-28", [](Invoice& i) {
         i.lines[0].allowances_charges.push_back(Charge("0.00"));
         i.lines[0].allowances_charges[0].base = D("0.000");
       }},
      {"S", "BR-S-02 UJP-01", [](Invoice& i) { i.seller.vat_id.clear(), i.seller.tax_number.clear(); }},
      {"S", "BR-S-05 BR-S-08", [](Invoice& i) { i.lines[0].vat_rate = D("0.00"); }},
      {"S", "BR-CO-17 BR-S-08 BR-S-09", [](Invoice& i) { i.vat_breakdown[0].taxable_amount = D("100.10"); }},
      {"S", "BR-S-10", [](Invoice& i) { i.exemption_reason = "Oproščeno"; }},
      {"AE", "BR-AE-01", [](Invoice& i) { i.vat_breakdown.push_back(i.vat_breakdown[0]); }},
      {"AE", "BR-AE-02", [](Invoice& i) { i.buyer.vat_id.clear(); }},
      {"AE", "BR-AE-05 BR-AE-08", [](Invoice& i) { i.lines[0].vat_rate = D("5.00"); }},
      {"AE", "BR-AE-08", [](Invoice& i) { i.vat_breakdown[0].taxable_amount = D("99.99"); }},
      {"AE", "BR-CO-14 BR-CO-17 BR-AE-09", [](Invoice& i) { i.vat_breakdown[0].tax_amount = D("0.01"); }},
      {"AE", "BR-AE-10", [](Invoice& i) { i.exemption_reason.clear(), i.exemption_reason_code.clear(); }},
      {"E", "BR-E-01", [](Invoice& i) { i.vat_breakdown.push_back(i.vat_breakdown[0]); }},
      {"E", "BR-E-02 UJP-01", [](Invoice& i) { i.seller.vat_id.clear(), i.seller.tax_number.clear(); }},
      {"E", "BR-E-05 BR-E-08", [](Invoice& i) { i.lines[0].vat_rate = D("5.00"); }},
      {"E", "BR-E-08", [](Invoice& i) { i.vat_breakdown[0].taxable_amount = D("99.99"); }},
      {"E", "BR-CO-14 BR-CO-17 BR-E-09", [](Invoice& i) { i.vat_breakdown[0].tax_amount = D("0.01"); }},
      {"E", "BR-E-10", [](Invoice& i) { i.exemption_reason.clear(); }},
      {"Z", "BR-Z-01", [](Invoice& i) { i.vat_breakdown.push_back(i.vat_breakdown[0]); }},
      {"Z", "BR-Z-02 UJP-01", [](Invoice& i) { i.seller.vat_id.clear(), i.seller.tax_number.clear(); }},
      {"Z", "BR-Z-05 BR-Z-08", [](Invoice& i) { i.lines[0].vat_rate = D("5.00"); }},
      {"Z", "BR-Z-08", [](Invoice& i) { i.vat_breakdown[0].taxable_amount = D("99.99"); }},
      {"Z", "BR-CO-14 BR-CO-17 BR-Z-09", [](Invoice& i) { i.vat_breakdown[0].tax_amount = D("0.01"); }},
      {"Z", "BR-Z-10", [](Invoice& i) { i.exemption_reason = "Oproščeno"; }},
      {"K", "BR-IC-01", [](Invoice& i) { i.vat_breakdown.push_back(i.vat_breakdown[0]); }},
      {"K", "BR-IC-02", [](Invoice& i) { i.buyer.vat_id.clear(); }},
      {"K", "BR-IC-05 BR-IC-08", [](Invoice& i) { i.lines[0].vat_rate = D("5.00"); }},
      {"K", "BR-IC-08", [](Invoice& i) { i.vat_breakdown[0].taxable_amount = D("99.99"); }},
      {"K", "BR-CO-14 BR-CO-17 BR-IC-09", [](Invoice& i) { i.vat_breakdown[0].tax_amount = D("0.01"); }},
      {"K", "BR-IC-10", [](Invoice& i) { i.exemption_reason.clear(); }},
      {"K", "BR-IC-11", [](Invoice& i) { i.delivery_date.clear(); }},
      {"K", "BR-IC-12", [](Invoice& i) { i.deliver_to.reset(); }},
      {"G", "BR-G-01", [](Invoice& i) { i.vat_breakdown.push_back(i.vat_breakdown[0]); }},
      {"G", "BR-G-02 UJP-01", [](Invoice& i) { i.seller.vat_id.clear(); }},
      {"G", "BR-G-05 BR-G-08", [](Invoice& i) { i.lines[0].vat_rate = D("5.00"); }},
      {"G", "BR-G-08", [](Invoice& i) { i.vat_breakdown[0].taxable_amount = D("99.99"); }},
      {"G", "BR-CO-14 BR-CO-17 BR-G-09", [](Invoice& i) { i.vat_breakdown[0].tax_amount = D("0.01"); }},
      {"G", "BR-G-10", [](Invoice& i) { i.exemption_reason.clear(); }},
      {"O", "BR-O-01", [](Invoice& i) { i.vat_breakdown.push_back(i.vat_breakdown[0]); }},
      {"O", "BR-O-02", [](Invoice& i) { i.buyer.vat_id = "SI98765432"; }},
      {"O", "BR-O-05 BR-O-08", [](Invoice& i) { i.lines[0].vat_rate = D("0.00"); }},
      {"O", "BR-O-08", [](Invoice& i) { i.vat_breakdown[0].taxable_amount = D("99.99"); }},
      {"O", "BR-CO-14 BR-O-09", [](Invoice& i) { i.vat_breakdown[0].tax_amount = D("0.01"); }},
      {"O", "BR-O-10", [](Invoice& i) { i.exemption_reason.clear(); }},
      {"O", "BR-O-11", [](Invoice& i) { i.vat_breakdown.push_back({"S", D("22.00"), D("0.00"), D("0.00")}); }},
      {"O", "BR-E-01 BR-O-12", [](Invoice& i) {
         i.lines.push_back(i.lines[0]);
         i.lines[1].id = "2", i.lines[1].vat_category = "E", i.lines[1].vat_rate = D("0.00");
         i.lines[1].net_amount = D("0.00");
       }},
      {"S", "BR-CL-01", [](Invoice& i) { i.type_code = "999"; }},
      {"S", "BR-CL-04", [](Invoice& i) { i.currency = "eur"; }},
      {"S", "BR-CL-08", [](Invoice& i) { i.notes.push_back({"XYZ", "besedilo"}); }},
      {"S", "BR-CL-14", [](Invoice& i) { i.buyer.country = "XX"; }},
      {"S", "BR-CL-16", [](Invoice& i) { i.payment_means_code = "999"; }},
      {"S", "BR-S-08 BR-CL-17", [](Invoice& i) { i.lines[0].vat_category = "X"; }},
      {"S", "BR-S-01 BR-CL-18", [](Invoice& i) { i.vat_breakdown[0].category = "X"; }},
      {"S", "BR-CL-19", [](Invoice& i) { i.lines[0].allowances_charges.push_back(Allowance("0.00", "ABK")); }},
      {"S", "BR-CL-20", [](Invoice& i) { i.lines[0].allowances_charges.push_back(Charge("0.00", "95")); }},
      {"AE", "BR-CL-22", [](Invoice& i) { i.exemption_reason_code = "vatex-eu-ae"; }},
      {"S", "BR-CL-23", [](Invoice& i) { i.lines[0].unit = "PCE"; }},
      {"S", "UJP-01", [](Invoice& i) { i.seller.vat_id.clear(); }},
      {"S", "UJP-02", [](Invoice& i) { i.buyer.iban.clear(); }},
      {"S", "UJP-03", [](Invoice& i) { i.payment_reference = "SI00 2026000123"; }},
      {"S", "UJP-04", [](Invoice& i) { i.references.clear(); }},
  };
  return rows;
}

TEST(Rules, ModelsOfEveryCategoryPassEveryRule) {
  for (const char* category : {"S", "AE", "E", "Z", "K", "G", "O"})
    EXPECT_EQ(Failing(ValidModel(category)), "") << category;
}

TEST(Rules, EachRuleBrokenByTheSmallestChange) {
  std::set<std::string> broken;
  for (const Row& row : Rows()) {
    Invoice inv = ValidModel(row.category);
    row.change(inv);
    EXPECT_EQ(Failing(inv), row.failing) << row.category << " " << row.failing;
    std::string ids(row.failing);
    for (size_t at = 0, end; at < ids.size(); at = end + 1) {
      end = std::min(ids.find(' ', at), ids.size());
      broken.insert(ids.substr(at, end - at));
    }
  }
  for (const Rule& rule : Rules()) EXPECT_TRUE(broken.count(std::string(rule.id))) << rule.id << " has no row";
}

TEST(Rules, UjpChecksAreFatalOnlyOnChannelUAndTextsNameTheValues) {
  Invoice inv = ValidModel("S");
  inv.payment_reference = "SI00 2026000123";
  inv.lines[0].unit = "PCE";
  std::vector<std::string> seen;
  for (bool u : {false, true})
    for (const RuleFailure& f : CheckRules(inv, {.channel_u = u}))
      seen.push_back(std::string(f.fatal ? "fatal " : "warning ") + Cp1250ToUtf8(FailureLine(f)));
  EXPECT_EQ(seen, (std::vector<std::string>{
      "fatal Postavka 1: enota mere (BT-130) \"PCE\" ni dovoljena koda (BR-CL-23).",
      "warning Sklic za plačilo \"SI00 2026000123\" (BT-83) je daljši od 35 znakov ali vsebuje presledke (UJP-03).",
      "fatal Postavka 1: enota mere (BT-130) \"PCE\" ni dovoljena koda (BR-CL-23).",
      "fatal Sklic za plačilo \"SI00 2026000123\" (BT-83) je daljši od 35 znakov ali vsebuje presledke (UJP-03).",
  }));
}

}  // namespace
}  // namespace eracuni::eslog20::testing
