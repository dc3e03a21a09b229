#include "eslog20/document.h"

#include "eslog/invoice.h"
#include "eslog20/rules.h"
#include "eslog20/writer.h"
#include "workdata/fields.h"

namespace eracuni::eslog20 {

ModelFindings CheckInvoiceModel(const Invoice& invoice, const settings::Settings& settings) {
  ModelFindings out;
  for (const RuleFailure& f : CheckRules(invoice, {.channel_u = settings.KATERABANKA == 'U'})) {
    if (f.fatal) out.fatal.push_back({std::string(f.rule), FailureLine(f)});
    else out.warnings.push_back(FailureLine(f));
  }
  return out;
}

DocumentOutcome IzdelajXMLRacun20(settings::Settings& settings, workdata::WorkFiles& files,
                                  FileSystem& fs, std::string_view ime_xml_racuna) {
  DocumentOutcome out;
  BuildResult built = BuildInvoice(settings, files);
  if (!built.ok()) {
    out.refusals = std::move(built.refusals);
    return out;
  }
  ModelFindings findings = CheckInvoiceModel(built.invoice, settings);
  out.warnings = std::move(findings.warnings);
  if (!findings.fatal.empty()) {
    out.refusals = std::move(findings.fatal);
    return out;
  }
  out.status =
      WriteInvoiceDocument(built.invoice, fs, eslog::DocumentPath(settings, ime_xml_racuna));
  if (!out.status.ok()) return out;
  out.payment_reference = std::move(built.invoice.payment_reference);
  std::string_view type = files.headers().buffer().Clipped(workdata::eRACUNI::VRSTARACUNA);
  settings.DOBROPISBREMEPIS = type == "381" || type == "385" ? 1 : 0;
  return out;
}

}  // namespace eracuni::eslog20
