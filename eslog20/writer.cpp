#include "eslog20/writer.h"

#include <utility>

#include "eslog20/work_forms.h"
#include "xml/xml_writer.h"

namespace eracuni::eslog20 {
namespace {

constexpr std::string_view kXsiNamespace = "http://www.w3.org/2001/XMLSchema-instance";

// The free-text elements this writer uses with their schema types' maximum lengths. Codes
// are not cut: a cut code would be another code, and the model gives only valid ones.
constexpr std::pair<std::string_view, size_t> kTextLengths[] = {
    {"D_0062", 14}, {"D_1004", 70}, {"D_4440", 512}, {"D_4441", 17},  {"D_1154", 70},
    {"D_3036", 70}, {"D_3042", 35}, {"D_3164", 35},  {"D_3251", 17},  {"D_3194", 35},
    {"D_3433", 11}, {"D_3432", 70}, {"D_3412", 256}, {"D_1082", 6},   {"D_7140", 35},
    {"D_7008", 256},
};

constexpr size_t TextLength(std::string_view element) {
  for (const auto& [name, length] : kTextLengths)
    if (name == element) return length;
  return 0;
}

// An element of text with its schema length, both known when the program is built.
struct TextElement {
  template <size_t N>
  consteval TextElement(const char (&literal)[N]) : name(literal), max(TextLength(literal)) {}
  xml::XmlName name;
  size_t max;
};

// Blanks and control characters alone: XML cannot hold the controls, so nothing would be
// left of the value but an empty element.
bool IsBlankText(std::string_view text) {
  for (char c : text)
    if (static_cast<unsigned char>(c) > ' ') return false;
  return true;
}

// The writer's elements, with the rules every element follows: nothing blank, nothing
// longer than the schema allows.
class Out {
 public:
  explicit Out(xml::XmlWriter& xml) : xml_(xml) {}

  void Open(xml::XmlName name) { xml_.OpenParent(name); }
  void Close() { xml_.CloseParent(); }

  void Text(TextElement e, std::string_view value) {
    if (IsBlankText(value)) return;
    xml_.AddLeaf(e.name, e.max == 0 ? value : internal::CutToChars(value, e.max));
  }
  // A code or a constant: never cut (a cut code would be another code).
  void Code(xml::XmlName name, std::string_view value) {
    if (!IsBlankText(value)) xml_.AddLeaf(name, value);
  }
  void Number(xml::XmlName name, const std::optional<Decimal>& value) {
    if (value) xml_.AddLeaf(name, value->ToString());
  }

  // <parent><name>value</name></parent>, or nothing for a blank value.
  void Wrapped(xml::XmlName parent, TextElement name, std::string_view value) {
    if (IsBlankText(value)) return;
    Open(parent);
    Text(name, value);
    Close();
  }

  // S_DTM/C_C507 with its qualifier; nothing without a date.
  void Date(std::string_view qualifier, std::string_view date) {
    if (IsBlankText(date)) return;
    Open("S_DTM");
    Open("C_C507");
    Code("D_2005", qualifier);
    Code("D_2380", date);
    Close();
    Close();
  }

  // S_MOA/C_C516 with its qualifier; nothing without an amount.
  void Amount(std::string_view qualifier, const std::optional<Decimal>& amount) {
    if (!amount) return;
    Open("S_MOA");
    Open("C_C516");
    Code("D_5025", qualifier);
    Number("D_5004", amount);
    Close();
    Close();
  }

  // S_RFF/C_C506 with its qualifier; nothing without an identifier.
  void Reference(std::string_view qualifier, std::string_view id) {
    Open("S_RFF");
    Open("C_C506");
    Code("D_1153", qualifier);
    Text("D_1154", id);
    Close();
    Close();
  }

  // S_TAX of a line or a breakdown: VAT, its rate (none for category O) and its category.
  void Tax(const std::optional<Decimal>& rate, std::string_view category) {
    Open("S_TAX");
    Code("D_5283", "7");
    Wrapped("C_C241", "D_5153", "VAT");
    if (rate) {
      Open("C_C243");
      Number("D_5278", rate);
      Close();
    }
    Code("D_5305", category);
    Close();
  }

 private:
  xml::XmlWriter& xml_;
};

void WriteMessageHeader(Out& o, const Invoice& inv) {
  o.Open("S_UNH");
  o.Text("D_0062", inv.message_reference);
  o.Open("C_S009");
  o.Code("D_0065", "INVOIC");
  o.Code("D_0052", "D");
  o.Code("D_0054", "01B");
  o.Code("D_0051", "UN");
  o.Close();
  o.Close();

  o.Open("S_BGM");
  o.Wrapped("C_C002", "D_1001", inv.type_code);
  o.Wrapped("C_C106", "D_1004", inv.number);
  o.Close();

  o.Date("137", inv.issue_date);
  o.Date("35", inv.delivery_date);
  o.Date("167", inv.period_start);
  o.Date("168", inv.period_end);
}

void WriteNote(Out& o, std::string_view subject, std::string_view code, std::string_view text) {
  if (IsBlankText(code) && IsBlankText(text)) return;
  o.Open("S_FTX");
  o.Code("D_4451", subject);
  o.Wrapped("C_C107", "D_4441", code);
  o.Wrapped("C_C108", "D_4440", text);
  o.Close();
}

void WriteNotes(Out& o, const Invoice& inv) {
  WriteNote(o, "DOC", "", inv.specification_identifier);
  for (const Note& n : inv.notes) WriteNote(o, n.subject, "", n.text);
  WriteNote(o, "AGM", inv.exemption_reason_code, inv.exemption_reason);
}

void WriteReferences(Out& o, const Invoice& inv) {
  for (const DocumentReference& r : inv.references) {
    if (IsBlankText(r.code) || IsBlankText(r.id)) continue;
    o.Open("G_SG1");
    o.Reference(r.code, r.id);
    o.Date(r.date_qualifier, r.date);
    o.Close();
  }
  if (!IsBlankText(inv.payment_reference)) {
    o.Open("G_SG1");
    o.Reference("PQ", inv.payment_reference);
    o.Close();
  }
}

void WriteAddress(Out& o, std::string_view role, const Party& p) {
  o.Open("S_NAD");
  o.Code("D_3035", role);
  o.Wrapped("C_C080", "D_3036", p.name);
  o.Wrapped("C_C059", "D_3042", p.street);
  o.Text("D_3164", p.city);
  o.Text("D_3251", p.postcode);
  o.Code("D_3207", p.country);
  o.Close();
}

void WriteAccount(Out& o, std::string_view qualifier, const Party& p) {
  if (IsBlankText(p.iban)) return;
  o.Open("S_FII");
  o.Code("D_3035", qualifier);
  o.Wrapped("C_C078", "D_3194", p.iban);
  if (!IsBlankText(p.bic) || !IsBlankText(p.bank_name)) {
    o.Open("C_C088");
    o.Text("D_3433", p.bic);
    o.Text("D_3432", p.bank_name);
    o.Close();
  }
  o.Close();
}

void WriteIdentifier(Out& o, std::string_view qualifier, std::string_view id) {
  if (IsBlankText(id)) return;
  o.Open("G_SG3");
  o.Reference(qualifier, id);
  o.Close();
}

void WriteContact(Out& o, std::string_view function, std::string_view name) {
  if (IsBlankText(name)) return;
  o.Open("G_SG5");
  o.Open("S_CTA");
  o.Code("D_3139", function);
  o.Wrapped("C_C056", "D_3412", name);
  o.Close();
  o.Close();
}

// Seller (SE) and buyer (BY): address, bank account, identifiers, contact person.
void WriteParty(Out& o, std::string_view role, std::string_view account, std::string_view contact,
                const Party& p, std::string_view buyer_reference) {
  o.Open("G_SG2");
  WriteAddress(o, role, p);
  WriteAccount(o, account, p);
  WriteIdentifier(o, "CR", buyer_reference);
  WriteIdentifier(o, "VA", p.vat_id);
  WriteIdentifier(o, "AHP", p.tax_number);
  WriteIdentifier(o, "0199", p.registration);
  WriteContact(o, contact, p.contact);
  o.Close();
}

void WriteParties(Out& o, const Invoice& inv) {
  WriteParty(o, "SE", "RB", "SU", inv.seller, "");
  WriteParty(o, "BY", "BB", "PD", inv.buyer, inv.buyer_reference);
  if (inv.deliver_to) {
    o.Open("G_SG2");
    WriteAddress(o, "DP", *inv.deliver_to);
    o.Close();
  }
}

void WriteCurrencyAndPayment(Out& o, const Invoice& inv) {
  o.Open("G_SG7");
  o.Open("S_CUX");
  o.Open("C_C504");
  o.Code("D_6347", "2");
  o.Code("D_6345", inv.currency);
  o.Close();
  o.Close();
  o.Close();

  if (IsBlankText(inv.due_date) && IsBlankText(inv.payment_means_code)) return;
  o.Open("G_SG8");
  o.Open("S_PAT");
  o.Code("D_4279", "1");
  o.Close();
  o.Date("13", inv.due_date);
  if (!IsBlankText(inv.payment_means_code)) {
    o.Open("S_PAI");
    o.Wrapped("C_C534", "D_4461", inv.payment_means_code);
    o.Close();
  }
  o.Close();
}

void WritePrice(Out& o, std::string_view qualifier, const std::optional<Decimal>& price) {
  if (!price) return;
  o.Open("G_SG29");
  o.Open("S_PRI");
  o.Open("C_C509");
  o.Code("D_5125", qualifier);
  o.Number("D_5118", price);
  o.Close();
  o.Close();
  o.Close();
}

void WriteAllowanceCharge(Out& o, const AllowanceCharge& ac) {
  o.Open("G_SG39");
  o.Open("S_ALC");
  o.Code("D_5463", ac.charge ? "C" : "A");
  if (ac.charge) {
    o.Wrapped("C_C214", "D_7161", ac.reason_code);
  } else {
    o.Wrapped("C_C552", "D_5189", ac.reason_code);
  }
  o.Close();
  if (ac.percentage) {
    o.Open("G_SG41");
    o.Open("S_PCD");
    o.Open("C_C501");
    o.Code("D_5245", ac.charge ? "2" : "1");
    o.Number("D_5482", ac.percentage);
    o.Close();
    o.Close();
    o.Close();
  }
  for (const auto& [qualifier, amount] :
       {std::pair{ac.charge ? "23" : "204", &ac.amount}, std::pair{"25", &ac.base}}) {
    if (!*amount) continue;
    o.Open("G_SG42");
    o.Amount(qualifier, *amount);
    o.Close();
  }
  o.Close();
}

void WriteLine(Out& o, const Line& l) {
  o.Open("G_SG26");
  o.Wrapped("S_LIN", "D_1082", l.id);
  if (!IsBlankText(l.seller_item_id)) {
    o.Open("S_PIA");
    o.Code("D_4347", "5");
    o.Open("C_C212");
    o.Text("D_7140", l.seller_item_id);
    o.Code("D_7143", "SA");
    o.Close();
    o.Close();
  }
  if (!IsBlankText(l.name)) {
    o.Open("S_IMD");
    o.Code("D_7077", "F");
    o.Wrapped("C_C273", "D_7008", l.name);
    o.Close();
  }
  if (l.quantity) {
    o.Open("S_QTY");
    o.Open("C_C186");
    o.Code("D_6063", "47");
    o.Number("D_6060", l.quantity);
    o.Code("D_6411", l.unit);
    o.Close();
    o.Close();
  }
  for (const auto& [qualifier, amount] :
       {std::pair{"203", &l.net_amount}, std::pair{"38", &l.amount_with_vat}}) {
    if (!*amount) continue;
    o.Open("G_SG27");
    o.Amount(qualifier, *amount);
    o.Close();
  }
  WritePrice(o, "AAA", l.net_price);
  WritePrice(o, "AAB", l.gross_price);
  o.Open("G_SG34");
  o.Tax(l.vat_rate, l.vat_category);
  o.Amount("125", l.vat_base);
  o.Amount("124", l.vat_amount);
  o.Close();
  for (const AllowanceCharge& ac : l.allowances_charges) WriteAllowanceCharge(o, ac);
  o.Close();
}

void WriteTotals(Out& o, const Totals& t) {
  const std::pair<const char*, const std::optional<Decimal>*> totals[] = {
      {"79", &t.line_net_total}, {"389", &t.tax_exclusive}, {"176", &t.tax_total},
      {"388", &t.tax_inclusive}, {"113", &t.paid},          {"366", &t.rounding},
      {"9", &t.payable}};
  for (const auto& [qualifier, amount] : totals) {
    if (!*amount) continue;
    o.Open("G_SG50");
    o.Amount(qualifier, *amount);
    o.Close();
  }
}

void WriteBreakdown(Out& o, const VatBreakdown& b) {
  o.Open("G_SG52");
  o.Tax(b.rate, b.category);
  o.Amount("125", b.taxable_amount);
  o.Amount("124", b.tax_amount);
  o.Close();
}

}  // namespace

size_t SchemaTextLength(std::string_view element) { return TextLength(element); }

Status WriteInvoiceDocument(const Invoice& invoice, FileSystem& fs, const std::string& path) {
  xml::XmlWriter xml(fs);
  Status created = xml.CreateXmlFile(path, "1.0", "UTF-8");
  if (!created.ok()) return created;
  xml.CreateParent("Invoice");
  xml.CreateAttribute("xmlns", kEslog20Namespace);
  xml.CreateAttribute("xmlns:xsi", kXsiNamespace);
  xml.AddParent();
  xml.CreateParent("M_INVOIC");
  xml.CreateAttribute("Id", "data");  // the schema's fixed value; a signature refers to it
  xml.AddParent();

  Out o(xml);
  WriteMessageHeader(o, invoice);
  WriteNotes(o, invoice);
  WriteReferences(o, invoice);
  WriteParties(o, invoice);
  WriteCurrencyAndPayment(o, invoice);
  for (const Line& line : invoice.lines) WriteLine(o, line);
  WriteTotals(o, invoice.totals);
  for (const VatBreakdown& b : invoice.vat_breakdown) WriteBreakdown(o, b);

  xml.CloseParent();  // M_INVOIC
  xml.CloseParent();  // Invoice
  return xml.CloseXmlFile();
}

}  // namespace eracuni::eslog20
