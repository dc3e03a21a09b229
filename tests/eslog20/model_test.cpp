// The derivations, with figures a bookkeeper can check by hand.
#include <gtest/gtest.h>

#include "framework/error_manager.h"
#include "framework/testing/fakes.h"
#include "tests/eslog20/model_fixture.h"
#include "workdata/fields.h"
#include "workdata/testing/memory_work_data.h"

namespace eracuni::eslog20::testing {
namespace {

namespace H = workdata::eRACUNI;
namespace L = workdata::eRACUNIP;

std::string Groups(const Invoice& inv) {
  std::string out;
  for (const VatBreakdown& g : inv.vat_breakdown)
    out += g.category + " " + S(g.rate) + ": " + S(g.taxable_amount) + " " + S(g.tax_amount) + "; ";
  return out;
}

std::string Totals(const Invoice& inv) {
  const eslog20::Totals& t = inv.totals;
  return S(t.line_net_total) + " " + S(t.tax_total) + " " + S(t.tax_inclusive) + " paid " +
         S(t.paid) + " rounding " + S(t.rounding) + " due " + S(t.payable);
}

TEST_F(ModelTest, ThreeRatesAndAnExemptLineFromTheWalkedWorkData) {
  lines.clear();
  AddLine(1, "2", "50.00", "100.00", "22.00");
  AddLine(2, "1", "4.33", "4.33", "9.50");
  AddLine(3, "1", "50", "50.00", "0");
  Set(H::ZNESEKRACUNASKUPAJ, "176.75");
  workdata::testing::MemoryWorkData data;
  data.AddHeader(7).Assign(header.bytes());
  for (const auto& l : lines) data.AddLine(7, l.U32(L::ZAPSTEVPOST)).Assign(l.bytes());
  eracuni::testing::ScriptedMessageBox boxes;
  eracuni::testing::RecordingTerminator terminator;
  ErrorManager errors(boxes, terminator);
  auto files = data.Open(settings, errors);
  ASSERT_EQ(workdata::WalkHeaders(*files, [] { return false; }), 1u);

  BuildResult r = BuildInvoice(settings, *files);
  ASSERT_TRUE(r.ok()) << r.refusals[0].line;
  ExpectEn16931Arithmetic(r.invoice);
  EXPECT_EQ(Groups(r.invoice), "S 22.00: 100.00 22.00; S 9.50: 4.33 0.41; E 0.00: 50.00 0.00; ");
  EXPECT_EQ(Totals(r.invoice), "154.33 22.41 176.74 paid - rounding 0.01 due 176.75");
  EXPECT_EQ(r.invoice.exemption_reason, "Oproščeno plačila DDV");
  EXPECT_EQ(r.invoice.exemption_reason_code, "");
  EXPECT_EQ(r.invoice.lines[2].vat_category, "E");
  EXPECT_EQ(S(r.invoice.lines[2].net_price), "50.00");
  EXPECT_EQ(r.invoice.seller.vat_id, "SI12345679");
  EXPECT_EQ(r.invoice.seller.iban, "SI56020000012345646");
  EXPECT_EQ(r.invoice.payment_means_code, "30");
  EXPECT_EQ(r.invoice.payment_reference, "SI002026000123");
}

TEST_F(ModelTest, ProducersLineVatWithinACentPerLineGoesToRoundingElseRefused) {
  // Three lines of 1.10 at 9.5 %: 0.10 VAT on each line is 3.60 in all; per rate it is 0.31.
  lines.clear();
  for (uint32_t n = 1; n <= 3; ++n) AddLine(n, "1", "1.10", "1.10", "9.5");
  Set(H::ZNESEKRACUNASKUPAJ, "3.60");
  BuildResult r = Build();
  ASSERT_TRUE(r.ok());
  EXPECT_EQ(Totals(r.invoice), "3.30 0.31 3.61 paid - rounding -0.01 due 3.60");

  Set(H::ZNESEKRACUNASKUPAJ, "8.61");
  EXPECT_EQ(Refusals(), std::vector<std::string>{
      "R33 Znesek za plačilo 8.61 se od izračunanega 3.61 razlikuje za 5.00; dovoljeno je največ 0.03."});
}

TEST_F(ModelTest, ReverseChargeIsAeWithItsExemptionReason) {
  Set(H::TEKST1DAVKI, "OBRNJENA_DAVCNA_OBVEZNOST");
  lines.clear();
  AddLine(1, "4", "250.00", "1000.00", "0.00");
  Set(H::ZNESEKRACUNASKUPAJ, "1000.00");
  BuildResult r = Build();
  ASSERT_TRUE(r.ok());
  EXPECT_EQ(Groups(r.invoice), "AE 0.00: 1000.00 0.00; ");
  EXPECT_EQ(r.invoice.exemption_reason_code, "VATEX-EU-AE");
  EXPECT_EQ(r.invoice.exemption_reason, "Obrnjena davčna obveznost po 76.a členu ZDDV-1");
  EXPECT_EQ(Totals(r.invoice), "1000.00 0.00 1000.00 paid - rounding - due 1000.00");
}

TEST_F(ModelTest, CreditNoteKeepsPricesPositiveAndDebitNote385Becomes383) {
  Set(H::VRSTARACUNA, "381");
  lines.clear();
  AddLine(1, "2", "-50.00", "-100.00", "22");
  Set(H::ZNESEKRACUNASKUPAJ, "-122.00");
  Set(H::DATUMPLACILA, "");  // nothing is due on a credit note
  BuildResult r = Build();
  ASSERT_TRUE(r.ok());
  EXPECT_EQ(r.invoice.type_code, "381");
  EXPECT_EQ(S(r.invoice.lines[0].quantity) + " x " + S(r.invoice.lines[0].net_price), "-2 x 50.00");
  EXPECT_EQ(Totals(r.invoice), "-100.00 -22.00 -122.00 paid - rounding - due -122.00");

  Set(H::VRSTARACUNA, "385");
  EXPECT_EQ(Build().invoice.type_code, "383");
}

TEST_F(ModelTest, LineDiscountGivenByItsBaseAndPriceStoredAfterTheDiscount) {
  // 10 × 12.00 = 120.00, 10 % off that base is 12.00, so the line is 108.00; the producer
  // stored the discounted price 10.80, the receiver needs 12.00 to recompute the line.
  lines.clear();
  workdata::RecordBuffer& l = AddLine(1, "10", "10.80", "108.00", "22");
  l.SetText(L::IDENTIFIKATOR, "A");
  l.SetText(L::ODSTOTEKPOSTAVKE, "10.00");
  l.SetText(L::VRSTAZNESKAODSTOTKA, "25");
  l.SetText(L::ZNESEKODSTOTKA, "120.00");
  Set(H::ZNESEKRACUNASKUPAJ, "131.76");
  BuildResult r = Build();
  ASSERT_TRUE(r.ok());
  const Line& line = r.invoice.lines[0];
  ASSERT_EQ(line.allowances_charges.size(), 1u);
  const AllowanceCharge& ac = line.allowances_charges[0];
  EXPECT_EQ(std::string(ac.charge ? "C " : "A ") + ac.reason_code + " " + S(ac.percentage) + " " +
                S(ac.amount) + " of " + S(ac.base),
            "A 95 10.00 12.00 of 120.00");
  EXPECT_EQ(S(line.net_price), "12.00");
}

TEST_F(ModelTest, GrossPriceGivesTheNetPriceFromTheLineAmount) {
  lines.clear();
  AddLine(1, "3", "15.00", "40.50", "22").SetText(L::VRSTACENE, "AAB");
  Set(H::ZNESEKRACUNASKUPAJ, "49.41");
  BuildResult r = Build();
  ASSERT_TRUE(r.ok());
  EXPECT_EQ(S(r.invoice.lines[0].gross_price) + " " + S(r.invoice.lines[0].net_price), "15.00 13.50");
}

TEST_F(ModelTest, AlreadyPaidHasNoPaymentInstructionAndNothingDue) {
  Set(H::TEKST2NP, "2");
  Set(H::ZNESEKRACUNASKUPAJ, "0");
  Set(H::DATUMPLACILA, "");
  BuildResult r = Build();
  ASSERT_TRUE(r.ok());
  EXPECT_EQ(Totals(r.invoice), "100.00 22.00 122.00 paid 122.00 rounding - due 0.00");
  EXPECT_EQ(r.invoice.payment_means_code + r.invoice.payment_reference + r.invoice.seller.iban, "");
  ASSERT_EQ(r.invoice.notes.size(), 1u);
  EXPECT_EQ(r.invoice.notes[0].subject + " " + r.invoice.notes[0].text, "PAI 2");
}

TEST_F(ModelTest, PaymentReferenceIsKeptOrMadeAnRfReference) {
  Set(H::STEVILKASKLICASKUPAJ, "5390-0754-7034");
  EXPECT_EQ(Build().invoice.payment_reference, "RF18539007547034");
  Set(H::STEVILKASKLICASKUPAJ, "RF18 5390 0754 7034");
  EXPECT_EQ(Build().invoice.payment_reference, "RF18539007547034");
}

}  // namespace
}  // namespace eracuni::eslog20::testing
