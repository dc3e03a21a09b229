// The invoice totals with the payment reference, the tax summaries and the two trailing
// text blocks (reverse charge, invoicing clerk).
#include <string>

#include "eslog/invoice_sections.h"
#include "eslog/text_forms.h"
#include "workdata/fields.h"

namespace eracuni::eslog::internal {
namespace {

namespace H = workdata::eRACUNI;
namespace L = workdata::eRACUNIP;
using workdata::Field;

// ---- Exact amounts in hundredths ----------------------------------------------------------

using Cents = __int128;  // a 20-character amount has at most 20 digits; sums stay exact

// The text as a number held with two decimals: leading blanks, sign, digits, point,
// digits; the third decimal rounds half away from zero. Anything else ends the number.
Cents ReadCents(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && text[i] == ' ') ++i;
  bool negative = i < text.size() && text[i] == '-';
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) ++i;
  Cents units = 0;
  for (int digits = 0; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
    if (++digits <= 30) units = units * 10 + (text[i] - '0');
  int fraction[3] = {0, 0, 0};
  if (i < text.size() && text[i] == '.')
    for (int k = 0; ++i < text.size() && text[i] >= '0' && text[i] <= '9'; ++k)
      if (k < 3) fraction[k] = text[i] - '0';
  Cents cents = units * 100 + fraction[0] * 10 + fraction[1] + (fraction[2] >= 5 ? 1 : 0);
  return negative ? -cents : cents;
}

std::string FormatCents(Cents cents) {
  bool negative = cents < 0;
  if (negative) cents = -cents;
  std::string digits;
  for (Cents units = cents / 100; units > 0 || digits.empty(); units /= 10)
    digits.insert(digits.begin(), static_cast<char>('0' + static_cast<int>(units % 10)));
  int hundredths = static_cast<int>(cents % 100);
  std::string text = negative ? "-" : "";
  text += digits;
  text += '.';
  text += static_cast<char>('0' + hundredths / 10);
  text += static_cast<char>('0' + hundredths % 10);
  return text;
}

// ---- Amount sections -----------------------------------------------------------------------

void WriteAmountSection(InvoiceContext& c, std::string_view kind, std::string_view amount,
                        const std::string* reference_number = nullptr,
                        std::string_view reference_model = "PQ") {
  OpenParent(c.xml, "PovzetekZneskovRacuna");
  OpenParent(c.xml, "ZneskiRacuna");
  c.xml.AddLeaf("VrstaZneska", kind);
  c.xml.AddLeaf("ZnesekRacuna", amount);
  c.xml.CloseParent();
  OpenParent(c.xml, "SklicZaPlacilo");
  c.xml.AddLeaf("SklicPlacila", reference_model);
  if (reference_number != nullptr) c.xml.AddLeaf("StevilkaSklica", *reference_number);
  c.xml.CloseParent();
  c.xml.CloseParent();
}

struct AmountSet {
  Field kind;
  Field amount;
  bool always;           // else only when the amount is not zero
  bool zero_kind_is_53;  // a zero amount is written under code 53
};
constexpr AmountSet kAmountSets[] = {
    {H::VRSTAZNESKA1, H::ZNESEKRACUNA1, true, false},
    {H::VRSTAZNESKA2, H::ZNESEKRACUNA2, true, true},
    {H::VRSTAZNESKA3, H::ZNESEKRACUNA3, true, false},
    {H::VRSTAZNESKA4, H::ZNESEKRACUNA4, true, false},
    {H::VRSTAZNESKA5, H::ZNESEKRACUNA5, true, false},
    {H::VRSTAZNESKA6, H::ZNESEKRACUNA6, false, false},
    {H::VRSTAZNESKA7, H::ZNESEKRACUNA7, false, false},
    {H::VRSTAZNESKA8, H::ZNESEKRACUNA8, false, false},
};

void WriteAmounts(InvoiceContext& c) {
  const auto& h = c.header;
  for (const AmountSet& set : kAmountSets) {
    bool zero = IsZeroAmount(h.Text(set.amount));
    if (zero && !set.always) continue;
    std::string kind = zero && set.zero_kind_is_53 ? "53" : Unchanged(h, set.kind);
    WriteAmountSection(c, kind, zero ? "0.00" : AmountForm(h.Text(set.amount)));
  }
  std::string reference = IzracunajSklicRF(h.Text(H::STEVILKASKLICASKUPAJ));
  WriteAmountSection(c, Unchanged(h, H::VRSTAZNESKASKUPAJ),
                     AmountForm(h.Text(H::ZNESEKRACUNASKUPAJ)), &reference,
                     Unchanged(h, H::SKLICPLACILASKUPAJ));
}

// ---- Tax summaries -------------------------------------------------------------------------

void WriteTaxAmount(InvoiceContext& c, std::string_view kind, std::string_view amount) {
  OpenParent(c.xml, "ZneskiDavkov");
  c.xml.AddLeaf("VrstaZneskaDavka", kind);
  c.xml.AddLeaf("ZnesekDavka", amount);
  c.xml.CloseParent();
}

struct TaxFamily {
  Field tax_kind, rate, base_kind, base, amount_kind, amount;
  bool zero_rate;  // its tax amount is always 0.00 under code 124
};
constexpr TaxFamily kTaxFamilies[] = {
    {H::VRSTADAVKA20, H::ODSTOTEKDAVKA20, H::VRSTAZNESKADAVKAOSNOVA20, H::ZNESEKDAVKAOSNOVA20,
     H::VRSTAZNESKADAVKAZNESEK20, H::ZNESEKDAVKAZNESEK20, false},
    {H::VRSTADAVKA8_5, H::ODSTOTEKDAVKA8_5, H::VRSTAZNESKADAVKAOSNOVA8_5, H::ZNESEKDAVKAOSNOVA8_5,
     H::VRSTAZNESKADAVKAZNESEK8_5, H::ZNESEKDAVKAZNESEK8_5, false},
    {H::VRSTADAVKA0, H::ODSTOTEKDAVKA0, H::VRSTAZNESKADAVKAOSNOVA0, H::ZNESEKDAVKAOSNOVA0,
     H::VRSTAZNESKADAVKAZNESEK0, H::ZNESEKDAVKAZNESEK0, true},
};

void WriteTaxFamily(InvoiceContext& c, const TaxFamily& f) {
  const auto& h = c.header;
  OpenParent(c.xml, "PovzetekDavkovRacuna");
  OpenParent(c.xml, "DavkiRacuna");
  AddStored(c.xml, "VrstaDavka", h, f.tax_kind);
  c.xml.AddLeaf("OdstotekDavka", PercentageText(h, f.rate));
  c.xml.CloseParent();
  WriteTaxAmount(c, Unchanged(h, f.base_kind), AmountForm(h.Text(f.base)));
  if (f.zero_rate)
    WriteTaxAmount(c, "124", "0.00");
  else
    WriteTaxAmount(c, Unchanged(h, f.amount_kind), AmountForm(h.Text(f.amount)));
  c.xml.CloseParent();
}

// The tax of lines at 0 % without a second tax amount: what a student service charges.
Cents StudentServiceSum(InvoiceContext& c) {
  Cents sum = 0;
  const workdata::RecordBuffer& line = c.files.lines().buffer();
  workdata::WalkLines(c.files, [&] {
    if (IsZeroAmount(line.Text(L::ODSTOTEKDAVKAPOSTAVKE)) && IsZeroAmount(line.Text(L::ZNESEK1)))
      sum += ReadCents(line.Text(L::ZNESEK));
    return true;
  });
  return sum;
}

void WriteStudentService(InvoiceContext& c) {
  if (c.settings.STSERVIS == 0) return;
  Cents sum = StudentServiceSum(c);
  if (sum <= 0) return;
  OpenParent(c.xml, "PovzetekDavkovRacuna");
  c.xml.AddLeaf("DavkiRacuna", "");
  WriteTaxAmount(c, "125", FormatCents(sum));
  c.xml.CloseParent();
}

void WriteTaxSummaries(InvoiceContext& c) {
  for (const TaxFamily& f : kTaxFamilies)
    if (!IsZeroAmount(c.header.Text(f.base))) WriteTaxFamily(c, f);
  WriteStudentService(c);
}

// ---- Trailing text blocks ------------------------------------------------------------------

void WriteTaxTexts(InvoiceContext& c) {
  const auto& h = c.header;
  if (h.Clipped(H::TEKST1DAVKI) == "OBRNJENA_DAVCNA_OBVEZNOST") {
    AddTextBlock(c.xml, Unchanged(h, H::VRSTABESEDILADAVKI),
                 {PreparedField(h, H::TEKST1DAVKI, kTextLength),
                  PreparedField(h, H::TEKST2DAVKI, kTextLength)});
    AddTextBlock(c.xml, "TXD",
                 {Prepared("Obrnjena dav\xE8na obveznost po 76.a \xE8lenu ZDDV-1", kTextLength)});
  }
  if (h.Clipped(H::TEKST1GL) == "FAKTURIST")
    AddTextBlock(c.xml, "AAI", {"FAKTURIST", PreparedField(h, H::TEKST2GL, kTextLength)});
}

}  // namespace

void WriteAmountsAndTaxes(InvoiceContext& c) {
  WriteAmounts(c);
  WriteTaxSummaries(c);
  WriteTaxTexts(c);
}

}  // namespace eracuni::eslog::internal
