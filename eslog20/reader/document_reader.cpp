#include "eslog20/reader/document_reader.h"

#include <libxml/parser.h>
#include <libxml/tree.h>

#include <climits>
#include <initializer_list>
#include <memory>
#include <vector>

#include "framework/cp1250.h"

namespace eracuni::eslog20 {
namespace {

constexpr const char* kNamespace = "urn:eslog:2.00";

using Path = std::initializer_list<const char*>;

bool Is(const xmlNode* n, const char* name) {
  return n && n->type == XML_ELEMENT_NODE && n->ns && xmlStrEqual(n->ns->href, BAD_CAST kNamespace) &&
         xmlStrEqual(n->name, BAD_CAST name);
}

std::vector<const xmlNode*> Children(const xmlNode* n, const char* name) {
  std::vector<const xmlNode*> out;
  for (const xmlNode* c = n ? n->children : nullptr; c; c = c->next)
    if (Is(c, name)) out.push_back(c);
  return out;
}

// The first element along `path` (each step the first child of that name), or null.
const xmlNode* Find(const xmlNode* n, Path path) {
  for (const char* step : path) {
    const xmlNode* next = nullptr;
    for (const xmlNode* c = n ? n->children : nullptr; c && !next; c = c->next)
      if (Is(c, step)) next = c;
    n = next;
  }
  return n;
}

// The element's own text (text and CDATA children; comments and entities left aside),
// without surrounding XML white space.
std::string Text(const xmlNode* n) {
  std::string s;
  for (const xmlNode* c = n ? n->children : nullptr; c; c = c->next)
    if ((c->type == XML_TEXT_NODE || c->type == XML_CDATA_SECTION_NODE) && c->content)
      s += reinterpret_cast<const char*>(c->content);
  size_t b = s.find_first_not_of(" \t\r\n");
  if (b == std::string::npos) return {};
  return s.substr(b, s.find_last_not_of(" \t\r\n") - b + 1);
}

std::string TextAt(const xmlNode* n, Path path) { return Text(Find(n, path)); }

class Reader {
 public:
  Invoice Read(const xmlNode* m);
  const std::string& problem() const { return problem_; }

 private:
  std::optional<Decimal> Number(const xmlNode* n, Path path);
  void Dates(const xmlNode* m);
  void Notes(const xmlNode* m);
  void References(const xmlNode* m);
  void Parties(const xmlNode* m);
  void Payment(const xmlNode* m);
  AllowanceCharge ReadAllowanceCharge(const xmlNode* g, const char* pcd_group, const char* moa_group);
  void Vat(const xmlNode* g, std::string& category, std::optional<Decimal>& rate,
           std::optional<Decimal>& base, std::optional<Decimal>& amount);
  void Lines(const xmlNode* m);
  void TotalsAndBreakdown(const xmlNode* m);

  Invoice inv_;
  std::string problem_;
};

std::optional<Decimal> Reader::Number(const xmlNode* n, Path path) {
  const xmlNode* e = Find(n, path);
  if (!e) return std::nullopt;
  std::string text = Text(e);
  std::optional<Decimal> d = ParseDecimal(text);
  if (!d && problem_.empty())
    problem_ = reinterpret_cast<const char*>(e->name) + std::string(": \"") + text + "\" ni decimalno število";
  return d;
}

// Sets `slot` once: the first position that gives a value wins, as the writer writes one.
void Once(std::string& slot, std::string value) {
  if (slot.empty()) slot = std::move(value);
}

void Reader::Dates(const xmlNode* m) {
  for (const xmlNode* dtm : Children(m, "S_DTM")) {
    std::string q = TextAt(dtm, {"C_C507", "D_2005"});
    std::string date = TextAt(dtm, {"C_C507", "D_2380"});
    if (q == "137") Once(inv_.issue_date, date);
    else if (q == "131") Once(inv_.vat_point_date, date);
    else if (q == "35") Once(inv_.delivery_date, date);
    else if (q == "167") Once(inv_.period_start, date);
    else if (q == "168") Once(inv_.period_end, date);
  }
}

void Reader::Notes(const xmlNode* m) {
  for (const xmlNode* ftx : Children(m, "S_FTX")) {
    std::string subject = TextAt(ftx, {"D_4451"});
    std::string text = TextAt(ftx, {"C_C108", "D_4440"});
    if (subject == "DOC") {
      Once(inv_.specification_identifier, text);
    } else if (subject == "AGM") {
      Once(inv_.exemption_reason_code, TextAt(ftx, {"C_C107", "D_4441"}));
      Once(inv_.exemption_reason, text);
    } else {
      inv_.notes.push_back({subject, text});
    }
  }
}

void Reader::References(const xmlNode* m) {
  for (const xmlNode* g : Children(m, "G_SG1")) {
    std::string code = TextAt(g, {"S_RFF", "C_C506", "D_1153"});
    std::string id = TextAt(g, {"S_RFF", "C_C506", "D_1154"});
    if (code == "PQ") {
      Once(inv_.payment_reference, id);
      continue;
    }
    inv_.references.push_back({code, id, TextAt(g, {"S_DTM", "C_C507", "D_2380"}),
                               TextAt(g, {"S_DTM", "C_C507", "D_2005"})});
  }
}

void Reader::Parties(const xmlNode* m) {
  for (const xmlNode* g : Children(m, "G_SG2")) {
    const xmlNode* nad = Find(g, {"S_NAD"});
    std::string role = TextAt(nad, {"D_3035"});
    Party* p = role == "SE" ? &inv_.seller : role == "BY" ? &inv_.buyer : nullptr;
    if (role == "DP" && !inv_.deliver_to) p = &inv_.deliver_to.emplace();
    if (!p) continue;
    p->name = TextAt(nad, {"C_C080", "D_3036"});
    p->street = TextAt(nad, {"C_C059", "D_3042"});
    p->city = TextAt(nad, {"D_3164"});
    p->postcode = TextAt(nad, {"D_3251"});
    p->country = TextAt(nad, {"D_3207"});
    const char* account = role == "SE" ? "RB" : "BB";
    for (const xmlNode* fii : Children(g, "S_FII")) {
      if (TextAt(fii, {"D_3035"}) != account) continue;
      Once(p->iban, TextAt(fii, {"C_C078", "D_3194"}));
      Once(p->bic, TextAt(fii, {"C_C088", "D_3433"}));
      Once(p->bank_name, TextAt(fii, {"C_C088", "D_3432"}));
    }
    for (const xmlNode* sg3 : Children(g, "G_SG3")) {
      std::string code = TextAt(sg3, {"S_RFF", "C_C506", "D_1153"});
      std::string value = TextAt(sg3, {"S_RFF", "C_C506", "D_1154"});
      if (code == "VA") Once(p->vat_id, value);
      else if (code == "AHP") Once(p->tax_number, value);
      else if (code == "0199") Once(p->registration, value);
      else if (code == "CR" && role == "BY") Once(inv_.buyer_reference, value);
    }
    const char* contact = role == "SE" ? "SU" : "PD";
    for (const xmlNode* sg5 : Children(g, "G_SG5"))
      if (TextAt(sg5, {"S_CTA", "D_3139"}) == contact) Once(p->contact, TextAt(sg5, {"S_CTA", "C_C056", "D_3412"}));
  }
}

void Reader::Payment(const xmlNode* m) {
  for (const xmlNode* g : Children(m, "G_SG7"))
    if (TextAt(g, {"S_CUX", "C_C504", "D_6347"}) == "2") Once(inv_.currency, TextAt(g, {"S_CUX", "C_C504", "D_6345"}));
  for (const xmlNode* g : Children(m, "G_SG8")) {
    for (const xmlNode* dtm : Children(g, "S_DTM"))
      if (TextAt(dtm, {"C_C507", "D_2005"}) == "13") Once(inv_.due_date, TextAt(dtm, {"C_C507", "D_2380"}));
    Once(inv_.payment_means_code, TextAt(g, {"S_PAI", "C_C534", "D_4461"}));
  }
}

AllowanceCharge Reader::ReadAllowanceCharge(const xmlNode* g, const char* pcd_group, const char* moa_group) {
  AllowanceCharge ac;
  ac.charge = TextAt(g, {"S_ALC", "D_5463"}) == "C";
  ac.reason_code = ac.charge ? TextAt(g, {"S_ALC", "C_C214", "D_7161"}) : TextAt(g, {"S_ALC", "C_C552", "D_5189"});
  ac.reason = TextAt(g, {"S_ALC", "C_C552", "D_1230"});
  ac.percentage = Number(g, {pcd_group, "S_PCD", "C_C501", "D_5482"});
  for (const xmlNode* moa : Children(g, moa_group)) {
    std::string q = TextAt(moa, {"S_MOA", "C_C516", "D_5025"});
    if (q == "204" || q == "23") ac.amount = Number(moa, {"S_MOA", "C_C516", "D_5004"});
    else if (q == "25") ac.base = Number(moa, {"S_MOA", "C_C516", "D_5004"});
  }
  return ac;
}

// A G_SG39 that carries only the item price discount (MOA 509, BT-147) is part of the
// price, not a line allowance.
bool PriceDiscountOnly(const xmlNode* g) {
  bool discount = false;
  for (const xmlNode* moa : Children(g, "G_SG42")) {
    std::string q = TextAt(moa, {"S_MOA", "C_C516", "D_5025"});
    if (q == "204" || q == "23" || q == "25") return false;
    discount |= q == "509";
  }
  return discount;
}

// A tax group (a line's G_SG34, a breakdown's G_SG52): category, rate, base (125), tax (124).
void Reader::Vat(const xmlNode* g, std::string& category, std::optional<Decimal>& rate,
                 std::optional<Decimal>& base, std::optional<Decimal>& amount) {
  category = TextAt(g, {"S_TAX", "D_5305"});
  rate = Number(g, {"S_TAX", "C_C243", "D_5278"});
  for (const xmlNode* moa : Children(g, "S_MOA")) {
    std::string q = TextAt(moa, {"C_C516", "D_5025"});
    if (q == "125") base = Number(moa, {"C_C516", "D_5004"});
    else if (q == "124") amount = Number(moa, {"C_C516", "D_5004"});
  }
}

void Reader::Lines(const xmlNode* m) {
  for (const xmlNode* g : Children(m, "G_SG16")) {
    AllowanceCharge ac = ReadAllowanceCharge(g, "G_SG19", "G_SG20");
    ac.vat_category = TextAt(g, {"G_SG22", "S_TAX", "D_5305"});
    ac.vat_rate = Number(g, {"G_SG22", "S_TAX", "C_C243", "D_5278"});
    inv_.allowances_charges.push_back(std::move(ac));
  }
  for (const xmlNode* g : Children(m, "G_SG26")) {
    Line& l = inv_.lines.emplace_back();
    l.id = TextAt(g, {"S_LIN", "D_1082"});
    for (const xmlNode* pia : Children(g, "S_PIA"))
      if (TextAt(pia, {"C_C212", "D_7143"}) == "SA") Once(l.seller_item_id, TextAt(pia, {"C_C212", "D_7140"}));
    for (const xmlNode* imd : Children(g, "S_IMD"))
      if (TextAt(imd, {"D_7077"}) == "F") Once(l.name, TextAt(imd, {"C_C273", "D_7008"}));
    const xmlNode* qty = Find(g, {"S_QTY", "C_C186"});
    l.quantity = Number(qty, {"D_6060"});
    l.unit = TextAt(qty, {"D_6411"});
    for (const xmlNode* sg27 : Children(g, "G_SG27")) {
      std::string q = TextAt(sg27, {"S_MOA", "C_C516", "D_5025"});
      if (q == "203") l.net_amount = Number(sg27, {"S_MOA", "C_C516", "D_5004"});
      else if (q == "38") l.amount_with_vat = Number(sg27, {"S_MOA", "C_C516", "D_5004"});
    }
    for (const xmlNode* sg29 : Children(g, "G_SG29")) {
      std::string q = TextAt(sg29, {"S_PRI", "C_C509", "D_5125"});
      if (q == "AAA") l.net_price = Number(sg29, {"S_PRI", "C_C509", "D_5118"});
      else if (q == "AAB") l.gross_price = Number(sg29, {"S_PRI", "C_C509", "D_5118"});
    }
    Vat(Find(g, {"G_SG34"}), l.vat_category, l.vat_rate, l.vat_base, l.vat_amount);
    for (const xmlNode* sg39 : Children(g, "G_SG39"))
      if (!PriceDiscountOnly(sg39)) l.allowances_charges.push_back(ReadAllowanceCharge(sg39, "G_SG41", "G_SG42"));
  }
}

void Reader::TotalsAndBreakdown(const xmlNode* m) {
  Totals& t = inv_.totals;
  for (const xmlNode* g : Children(m, "G_SG50")) {
    std::string q = TextAt(g, {"S_MOA", "C_C516", "D_5025"});
    std::optional<Decimal>* slot = q == "79"    ? &t.line_net_total
                                   : q == "260" ? &t.allowances
                                   : q == "259" ? &t.charges
                                   : q == "389" ? &t.tax_exclusive
                                   : q == "176" ? &t.tax_total
                                   : q == "388" ? &t.tax_inclusive
                                   : q == "113" ? &t.paid
                                   : q == "366" ? &t.rounding
                                   : q == "9"   ? &t.payable
                                                : nullptr;
    if (slot && !*slot) *slot = Number(g, {"S_MOA", "C_C516", "D_5004"});
  }
  for (const xmlNode* g : Children(m, "G_SG52")) {
    if (TextAt(g, {"S_TAX", "C_C241", "D_5153"}) != "VAT") continue;  // another tax (NBT-05x)
    VatBreakdown& b = inv_.vat_breakdown.emplace_back();
    Vat(g, b.category, b.rate, b.taxable_amount, b.tax_amount);
  }
}

Invoice Reader::Read(const xmlNode* m) {
  inv_.message_reference = TextAt(m, {"S_UNH", "D_0062"});
  inv_.type_code = TextAt(m, {"S_BGM", "C_C002", "D_1001"});
  inv_.number = TextAt(m, {"S_BGM", "C_C106", "D_1004"});
  Dates(m);
  Notes(m);
  References(m);
  Parties(m);
  Payment(m);
  Lines(m);
  TotalsAndBreakdown(m);
  return std::move(inv_);
}

struct DocFree {
  void operator()(xmlDoc* d) const { xmlFreeDoc(d); }
};
struct ContextFree {
  void operator()(xmlParserCtxt* c) const { xmlFreeParserCtxt(c); }
};

}  // namespace

ReadResult ReadInvoiceDocument(std::string_view bytes) {
  if (bytes.size() > INT_MAX) return {std::nullopt, "datoteka je prevelika"};
  std::unique_ptr<xmlParserCtxt, ContextFree> ctxt(xmlNewParserCtxt());
  if (!ctxt) return {std::nullopt, "ni pomnilnika za branje"};
  // No network, no entity expansion, no messages on stderr: the bytes alone decide.
  std::unique_ptr<xmlDoc, DocFree> doc(xmlCtxtReadMemory(ctxt.get(), bytes.data(), static_cast<int>(bytes.size()),
                                                         nullptr, nullptr,
                                                         XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING));
  if (!doc) {
    const xmlError* e = xmlCtxtGetLastError(ctxt.get());
    std::string why = e && e->message ? e->message : "";
    while (!why.empty() && (why.back() == '\n' || why.back() == ' ')) why.pop_back();
    // libxml2 quotes the input in its messages, over several lines at times.
    return {std::nullopt, "ni dobro oblikovan XML" +
                              (why.empty() ? "" : " (vrstica " + std::to_string(e->line) + ": " + EscapeControls(why) + ")")};
  }
  // e-SLOG documents have no document type; one could only serve to expand entities.
  if (doc->intSubset || doc->extSubset) return {std::nullopt, "dokument z deklaracijo DOCTYPE ni dovoljen"};
  const xmlNode* root = xmlDocGetRootElement(doc.get());
  const xmlNode* m = Is(root, "Invoice") ? Find(root, {"M_INVOIC"}) : nullptr;
  if (!m) return {std::nullopt, "ni dokument e-SLOG 2.0 (korenski element Invoice v imenskem prostoru urn:eslog:2.00 z M_INVOIC)"};
  Reader reader;
  Invoice invoice = reader.Read(m);
  if (!reader.problem().empty()) return {std::nullopt, EscapeControls(reader.problem())};
  return {std::move(invoice), ""};
}

}  // namespace eracuni::eslog20
