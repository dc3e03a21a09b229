// Any bytes as work-data records (fuzzed_work_data.h) through the e-SLOG 2.0 document:
// a refusal whose every reason is one line, or a document that is well-formed, valid against
// the schema (when the shared folder holds it) and whose totals add up (BR-CO-10..17).
#include <cstdio>

#include "eslog20/document.h"
#include "framework/cp1250.h"
#include "framework/testing/fakes.h"
#include "fuzz/entries/fuzz_entries.h"
#include "fuzz/entries/fuzzed_work_data.h"
#include "fuzz/entries/memory_file_system.h"
#include "xml/testing/schema_check.h"

namespace eracuni::fuzz {
namespace {

using eslog20::Decimal;
using Amount = std::optional<Decimal>;

constexpr const char* kOut = "/out/";

class QuietTerminator : public Terminator {
 public:
  void Terminate(int, const std::string&) override {}
};

bool OneLine(const std::string& cp1250) {
  const std::string utf8 = Cp1250ToUtf8(cp1250);
  return !utf8.empty() && EscapeControls(utf8) == utf8 && utf8.find('|') == std::string::npos;
}

Amount Plus(Amount a, Amount b) { return a && b ? eslog20::Add(*a, *b) : std::nullopt; }
Amount Minus(Amount a, Amount b) { return a && b ? eslog20::Subtract(*a, *b) : std::nullopt; }
Amount OrZero(Amount a) { return a ? a : Decimal::Cents(0); }

// The EN 16931 totals arithmetic recomputed from the model; "" when it holds.
std::string CheckTotals(const eslog20::Invoice& inv) {
  const eslog20::Totals& t = inv.totals;
  if (!t.line_net_total || !t.tax_exclusive || !t.tax_inclusive || !t.payable)
    return "a written document lacks a total (BR-12..15)";
  Amount lines = Decimal::Cents(0), vat = Decimal::Cents(0);
  for (const eslog20::Line& line : inv.lines) lines = Plus(lines, line.net_amount);
  if (lines != t.line_net_total) return "BT-106 is not the sum of the line net amounts (BR-CO-10)";
  if (t.tax_exclusive != Plus(Minus(t.line_net_total, OrZero(t.allowances)), OrZero(t.charges)))
    return "BT-109 is not BT-106 - BT-107 + BT-108 (BR-CO-13)";
  for (const eslog20::VatBreakdown& g : inv.vat_breakdown) {
    vat = Plus(vat, g.tax_amount);
    Amount product = g.taxable_amount ? eslog20::Multiply(*g.taxable_amount, OrZero(g.rate).value())
                                      : std::nullopt;
    Amount expected = product ? eslog20::Divide(*product, Decimal{100, 0}, 2) : std::nullopt;
    if (!expected || g.tax_amount != expected) return "BT-117 is not BT-116 x BT-119 / 100 (BR-CO-17)";
  }
  if (vat != OrZero(t.tax_total)) return "BT-110 is not the sum of BT-117 (BR-CO-14)";
  if (t.tax_inclusive != Plus(t.tax_exclusive, OrZero(t.tax_total)))
    return "BT-112 is not BT-109 + BT-110 (BR-CO-15)";
  if (t.payable != Plus(Minus(t.tax_inclusive, OrZero(t.paid)), OrZero(t.rounding)))
    return "BT-115 is not BT-112 - BT-113 + BT-114 (BR-CO-16)";
  return "";
}

}  // namespace

std::string FuzzEslog20Documents(std::string_view data) {
  const uint8_t channel = TakeByte(data), switches = TakeByte(data);
  const int line_count = TakeByte(data) % 4;
  TakeByte(data);  // the attachments' count: a 2.0 document names no attachment

  testing::ScriptedMessageBox messages;
  QuietTerminator terminator;
  ErrorManager errors(messages, terminator);
  settings::Settings settings;
  ApplySwitches(channel, switches, kOut, settings);
  settings.VERZIJAESLOG = "2.0";
  MemoryFileSystem files;
  files.AddDirectory(kOut);

  workdata::testing::MemoryWorkData work;
  AddHeaderAndLines(data, line_count, work);
  auto work_files = work.Open(settings, errors);
  workdata::WorkFile& headers = work_files->headers();
  headers.buffer().Clear();
  headers.Set();
  if (!headers.Next()) return "the header cannot be read back";

  eslog20::BuildResult model = eslog20::BuildInvoice(settings, *work_files);
  eslog20::DocumentOutcome outcome = eslog20::IzdelajXMLRacun20(settings, *work_files, files, "racun.xml");
  for (const eslog20::Refusal& r : outcome.refusals)
    if (!OneLine(r.line)) return "a reason of a refusal is not one line (" + r.id + ")";
  for (const std::string& w : outcome.warnings)
    if (!OneLine(w)) return "a warning is not one line";
  if (outcome.refused()) return files.changed().empty() ? "" : "a refused invoice left a file behind";
  if (!outcome.status.ok()) return "writing to memory failed: " + outcome.status.message();
  if (!model.ok()) return "a document was written from a model that was refused";

  Status valid = xml::testing::ValidateEslog20Document(files.files()[std::string(kOut) + "racun.xml"]);
  if (valid.code() == Status::Code::kCorruption) return "the document is not well-formed XML";
  if (valid.code() == Status::Code::kNotFound) {
    static const bool told = (std::fprintf(stderr, "eslog20_documents: %s; documents are checked "
                                           "for well-formedness only\n", valid.message().c_str()), true);
    (void)told;
  } else if (!valid.ok()) {
    return "the document is not valid against the schema: " + EscapeControls(valid.message());
  }
  return CheckTotals(model.invoice);
}

}  // namespace eracuni::fuzz
