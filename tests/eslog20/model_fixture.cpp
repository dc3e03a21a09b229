#include "tests/eslog20/model_fixture.h"

#include "eslog20/codelists.h"
#include "framework/cp1250.h"
#include "workdata/fields.h"

namespace eracuni::eslog20::testing {
namespace {

namespace H = workdata::eRACUNI;
namespace L = workdata::eRACUNIP;

Decimal Sum(Decimal a, std::optional<Decimal> b) { return b ? Add(a, *b).value() : a; }

}  // namespace

std::string S(const std::optional<Decimal>& d) { return d ? d->ToString() : "-"; }

void ExpectEn16931Arithmetic(const Invoice& inv) {
  const Totals& t = inv.totals;
  Decimal lines = Decimal::Cents(0), tax = Decimal::Cents(0);
  for (const Line& line : inv.lines) {
    lines = Sum(lines, line.net_amount);
    Decimal allowances = Decimal::Cents(0), charges = Decimal::Cents(0);
    for (const AllowanceCharge& ac : line.allowances_charges)
      (ac.charge ? charges : allowances) = Sum(ac.charge ? charges : allowances, ac.amount);
    Decimal recomputed = Add(Subtract(*Multiply(*line.quantity, *line.net_price), allowances).value(),
                             charges).value();
    EXPECT_LE(Abs(*Subtract(recomputed, *line.net_amount)), Decimal::Cents(1))
        << "line " << line.id << ": quantity × net price − allowances + charges";
    EXPECT_TRUE(InCodeList(CodeList::kUnit, line.unit)) << line.unit;
    EXPECT_TRUE(InCodeList(CodeList::kLineVatCategory, line.vat_category)) << line.vat_category;
  }
  for (const VatBreakdown& g : inv.vat_breakdown) {
    Decimal base = Decimal::Cents(0);
    for (const Line& line : inv.lines)
      if (line.vat_category == g.category && line.vat_rate == g.rate) base = Sum(base, line.net_amount);
    EXPECT_EQ(S(g.taxable_amount), S(base)) << "BR-S-08 and kin: base of " << g.category;
    Decimal expected = *Divide(*Multiply(base, g.rate.value_or(Decimal{})), Decimal{100, 0}, 2);
    EXPECT_EQ(S(g.tax_amount), S(expected)) << "BR-CO-17: " << g.category << " " << S(g.rate);
    EXPECT_EQ(g.rate.has_value(), g.category != "O") << "BR-48, BR-O-05";
    tax = Sum(tax, g.tax_amount);
  }
  EXPECT_EQ(S(t.line_net_total), S(lines)) << "BR-CO-10";
  EXPECT_EQ(S(t.tax_exclusive), S(t.line_net_total)) << "BR-CO-13";
  EXPECT_EQ(S(t.tax_total), S(tax)) << "BR-CO-14";
  EXPECT_EQ(S(t.tax_inclusive), S(Add(*t.tax_exclusive, *t.tax_total))) << "BR-CO-15";
  Decimal due = Add(Subtract(*t.tax_inclusive, t.paid.value_or(Decimal::Cents(0))).value(),
                    t.rounding.value_or(Decimal::Cents(0))).value();
  EXPECT_EQ(S(t.payable), S(due)) << "BR-CO-16";
  EXPECT_TRUE(InCodeList(CodeList::kDocumentType, inv.type_code)) << inv.type_code;
  EXPECT_TRUE(InCodeList(CodeList::kCurrency, inv.currency));
}

ModelTest::ModelTest() : header(workdata::HeaderLayout()) {
  const std::pair<workdata::Field, const char*> values[] = {
      {H::VRSTARACUNA, "380"},
      {H::STEVILKARACUNA, "2026-000123"},
      {H::DATUMRACUNA, "2026-12-01"},
      {H::KODAVALUTE, "EUR"},
      {H::NAZIVPARTNERJA1, "Vzorec d.o.o."},
      {H::ULICA1, "Testna ulica 1"},
      {H::KRAJ, "Ljubljana"},
      {H::POSTNASTEVILKA, "1000"},
      {H::KODADRZAVE, "SI"},
      {H::STEVILKABANCNEGARACUNA, "SI56 0200 0001 2345 646"},
      {H::VRSTAPODATKAPODJETJA, "VA"},
      {H::PODATEKPODJETJA, "12345679"},
      {H::VRSTAPODATKAPODJETJA1, "GN"},
      {H::PODATEKPODJETJA1, "1234567000"},
      {H::NAZIVPARTNERJA1BY, "Kupec javni zavod"},
      {H::KRAJBY, "Maribor"},
      {H::KODADRZAVEBY, "SI"},
      {H::VRSTAPODATKAPODJETJABY1, "VA"},
      {H::PODATEKPODJETJABY1, "SI98765432"},
      {H::TEKST2NP, "0"},
      {H::DATUMPLACILA, "2026-12-31"},
      {H::ZNESEKRACUNASKUPAJ, "122.00"},
      {H::STEVILKASKLICASKUPAJ, "SI00 2026000123"},
  };
  header.SetU32(H::IDENTRACUN, 7);
  for (const auto& [field, value] : values) header.SetText(field, value);
  lines.reserve(16);
  AddLine(1, "2", "50.00", "100.00", "22.00");
}

workdata::RecordBuffer& ModelTest::AddLine(uint32_t number, const char* quantity,
                                           const char* price, const char* amount,
                                           const char* rate) {
  workdata::RecordBuffer& l = lines.emplace_back(workdata::LineLayout());
  l.SetU32(L::IDENTRACUN, 7);
  l.SetU32(L::ZAPSTEVPOST, number);
  l.SetText(L::OPISARTIKLA1, "Svetovanje");
  l.SetText(L::KOLICINA, quantity);
  l.SetText(L::ENOTAMERE, "C62");
  l.SetText(L::ZNESEKPOSTAVKE, amount);
  l.SetText(L::CENA, price);
  l.SetText(L::VRSTADAVKAPOSTAVKE, "VAT");
  l.SetText(L::ODSTOTEKDAVKAPOSTAVKE, rate);
  return l;
}

BuildResult ModelTest::Build() {
  BuildResult result = BuildInvoice(settings, header, lines);
  if (result.ok()) ExpectEn16931Arithmetic(result.invoice);
  return result;
}

std::vector<std::string> ModelTest::Refusals() {
  std::vector<std::string> out;
  for (const Refusal& r : Build().refusals) out.push_back(r.id + " " + Cp1250ToUtf8(r.line));
  return out;
}

}  // namespace eracuni::eslog20::testing
